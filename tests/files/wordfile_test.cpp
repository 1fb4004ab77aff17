#include "files/wordfile.h"
#include "game/failure.h"
#include "game/gamestate.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int readFrom(const QByteArray &bytes, GameState &gs)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readWords(buffer, gs);
}

} // namespace

TEST(WordFile, TakesTenWordsAtMostAndTellsAMissingFile)
{
    QByteArray twelve;
    for (char c = 'a'; c <= 'l'; ++c)
        twelve += QByteArray(1, c) + "\r\n";
    GameState gs;
    EXPECT_EQ(readFrom(twelve, gs), 10);
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
    ASSERT_EQ(readFrom("one\ntwo\nthree\nfour\nfive\nsix\n", gs), 6);
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
    ASSERT_EQ(readFrom(file, gs), 4);
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
    EXPECT_EQ(gs.Words[2], QStringLiteral("KIWI\t")); // only spaces are trimmed
    EXPECT_EQ(gs.Words[3], QStringLiteral("CAF\u00c9\u00b5"));
    EXPECT_EQ(gs.Words[4], QStringLiteral("PLUM"));
    EXPECT_EQ(gs.Words[5], QStringLiteral("FIVE"));
    EXPECT_FALSE(gs.Asked[4]);
    EXPECT_TRUE(gs.Asked[5]);

    EXPECT_EQ(readFrom("\r\n\t\r\n   \r\n", gs), 0); // unusable: nothing changes
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
}
