#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"
#include "support/bytesio.h"

#include <QDir>

#include <gtest/gtest.h>

// Loading a list as a whole, its failures and what a shorter list leaves are
// the load step's tests; these are the reader's own rules.
TEST(WordFile, TakesTenUsableLinesUpperCasedAndReadsNoFurther)
{
    const auto readFrom = [](const QByteArray &bytes, GameState &gs) {
        BytesIn in(bytes);
        const int n = readWords(in, gs);
        return std::pair(n, in.pos());
    };
    GameState gs;
    const QByteArray file = "  apple pie  \r\n\r\n     \r\n\tbanana\r\n  \tcherry\r\nkiwi\t\n"
                            "caf\xe9\xb5\r" // µ has no capital on the page
                            "\x01x\nplum";
    ASSERT_EQ(readFrom(file, gs).first, 4);
    const QStringList words(gs.Words.begin() + 1, gs.Words.begin() + 5);
    // Only spaces are trimmed; a line that starts with another blank is skipped.
    EXPECT_EQ(words,
              QStringList({"APPLE PIE", "KIWI\t", QStringLiteral("CAF\u00c9\u00b5"), "PLUM"}));

    QByteArray ten;
    for (char c = 'a'; c <= 'j'; ++c)
        ten += QByteArray(1, c) + "\r\n";
    // The tenth line ends where the reader's first 64 KiB read does.
    ten.insert(ten.size() - 2, QByteArray(64 * 1024 - ten.size(), ' '));
    EXPECT_EQ(readFrom(ten + "k\r\nl\r\n", gs), std::pair(10, qint64(ten.size())));
}

// What the project ships: lists of ten words each, and starter macros that
// the program would write back byte for byte.
TEST(ShippedMaterial, ReadsAsTheProgramReadsIt)
{
    const QDir dir(QStringLiteral(ORVELLA_SOURCE_DIR "/data/words"));
    const QStringList lists = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    EXPECT_GE(lists.size(), 5);
    for (const QString &name : lists) {
        GameState gs;
        BytesIn in(bytesOf(dir.filePath(name)));
        EXPECT_EQ(readWords(in, gs), 10) << name.toStdString();
    }
    const QByteArray macros =
        bytesOf(QStringLiteral(ORVELLA_SOURCE_DIR "/data/macros/starter.txt"));
    GameState gs;
    BytesIn in(macros);
    readMacros(in, gs);
    EXPECT_EQ(writtenBy([&](QIODevice &out) { writeMacros(out, gs); }), macros);
}
