#include "files/wordfile.h"
#include "support/bytesio.h"

#include <QDir>

#include <gtest/gtest.h>

// Loading a list as a whole, its failures and what a shorter list leaves are
// the load step's tests; these are the reader's own rules, and the lists the
// project ships (its starter macros are the macro file test's).
TEST(WordFile, TakesTenUsableLinesUpperCasedAndReadsNoFurther)
{
    const auto readFrom = [](const QByteArray &bytes, QStringList &words) {
        BytesIn in(bytes);
        words.clear();
        readWords(in, words);
        return std::pair(int(words.size()), in.pos());
    };
    QStringList words;
    const QByteArray file = "  apple pie  \r\n\r\n     \r\n\tbanana\r\n  \tcherry\r\nkiwi\t\n"
                            "caf\xe9\xb5\r" // µ has no capital on the page
                            "\x01x\nplum";
    ASSERT_EQ(readFrom(file, words).first, 4);
    // Only spaces are trimmed; a line that starts with another blank is skipped.
    EXPECT_EQ(words, QStringList({"APPLE PIE", "KIWI\t", u"CAF\u00c9\u00b5"_qs, "PLUM"}));

    QByteArray ten;
    for (char c = 'a'; c <= 'j'; ++c)
        ten += QByteArray(1, c) + "\r\n";
    // The tenth line ends where the reader's first 64 KiB read does.
    ten.insert(ten.size() - 2, QByteArray(64 * 1024 - ten.size(), ' '));
    EXPECT_EQ(readFrom(ten + "k\r\nl\r\n", words), std::pair(10, qint64(ten.size())));

    const QDir shipped(QStringLiteral(ORVELLA_SOURCE_DIR "/data/words"));
    const QStringList lists = shipped.entryList({u"*.txt"_qs}, QDir::Files);
    EXPECT_GE(lists.size(), 5);
    for (const QString &name : lists)
        EXPECT_EQ(readFrom(bytesOf(shipped.filePath(name)), words).first, 10) << name.toStdString();
}
