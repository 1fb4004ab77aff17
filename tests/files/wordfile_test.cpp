#include "files/wordfile.h"
#include "game/failure.h"
#include "game/gamestate.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// How many words the reader takes from bytes, and how far into them it read.
std::pair<int, qint64> readFrom(const QByteArray &bytes, GameState &gs)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const int n = readWords(buffer, gs);
    return {n, buffer.pos()};
}

} // namespace

TEST(WordFile, TakesTenWordsAtMostAndTellsAMissingFile)
{
    QByteArray ten;
    for (char c = 'a'; c <= 'j'; ++c)
        ten += QByteArray(1, c) + "\r\n";
    // The tenth line ends where the reader's first 64 KiB read does; no more is read.
    ten.insert(ten.size() - 2, QByteArray(64 * 1024 - ten.size(), ' '));
    GameState gs;
    const auto [n, read] = readFrom(ten + "k\r\nl\r\n", gs);
    EXPECT_TRUE(n == 10 && read == ten.size());
    EXPECT_EQ(gs.Words[10], QStringLiteral("J"));

    QTemporaryDir dir;
    try {
        readWordFile(dir.filePath(QStringLiteral("missing.txt")), gs);
        FAIL() << "no failure";
    } catch (const Failure &f) {
        EXPECT_EQ(wordFileFailureText(f),
                  QStringLiteral("Error = 53\r\nFile not found\r\nProblem with Orvella file."));
    }
}

TEST(WordFile, CandidatesAreUpperCasedTrimmedOrSkippedAndOldEntriesStay)
{
    GameState gs;
    ASSERT_EQ(readFrom("one\ntwo\nthree\nfour\nfive\nsix\n", gs).first, 6);
    gs.Asked.fill(true);
    const QByteArray file = "  apple pie  \r\n"
                            "\r\n"
                            "     \r\n"
                            "\tbanana\r\n"
                            "  \tcherry\r\n"
                            "kiwi\t\n"
                            "caf\xe9\xb5\r" // µ has no capital on the page
                            "\x01x\n"
                            "plum";
    ASSERT_EQ(readFrom(file, gs).first, 4);
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
    EXPECT_EQ(gs.Words[2], QStringLiteral("KIWI\t")); // only spaces are trimmed
    EXPECT_EQ(gs.Words[3], QStringLiteral("CAF\u00c9\u00b5"));
    EXPECT_EQ(gs.Words[4], QStringLiteral("PLUM"));
    EXPECT_EQ(gs.Words[5], QStringLiteral("FIVE"));
    EXPECT_FALSE(gs.Asked[4]);
    EXPECT_TRUE(gs.Asked[5]);

    EXPECT_EQ(readFrom("\r\n\t\r\n   \r\n", gs).first, 0); // unusable: nothing changes
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
}
