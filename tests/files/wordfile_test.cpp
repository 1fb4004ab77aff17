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

// Hands out its data in one read, then fails every read after it.
class FailingDevice final : public QIODevice
{
public:
    explicit FailingDevice(QByteArray data) : m_data(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *to, qint64 max) override
    {
        if (m_given)
            return -1;
        m_given = true;
        const qint64 n = qMin<qint64>(max, m_data.size());
        memcpy(to, m_data.constData(), n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    bool m_given = false;
};

QByteArray lettersAToJ()
{
    QByteArray bytes;
    for (char c = 'a'; c <= 'j'; ++c)
        bytes += QByteArray(1, c) + "\r\n";
    return bytes;
}

} // namespace

TEST(WordFile, TakesAtMostTenWordsAndReadsNoFurther)
{
    GameState gs;
    EXPECT_EQ(readFrom(lettersAToJ() + "k\r\nl\r\n", gs), 10);
    EXPECT_EQ(gs.Words[10], QStringLiteral("J"));
    EXPECT_EQ(gs.WordCount, 0); // left to the caller

    // A device that would fail after the tenth word is never read again.
    FailingDevice device(lettersAToJ());
    EXPECT_EQ(readWords(device, gs), 10);
}

TEST(WordFile, CandidatesAreUpperCasedTrimmedOrSkipped)
{
    GameState gs;
    const QByteArray file = "  apple pie  \r\n"
                            "\r\n"
                            "     \r\n"
                            "\tbanana\r\n"
                            "  \tcherry\r\n"
                            "kiwi\t\n"
                            "caf\xe9\r"
                            "\x01x\n"
                            "plum";
    ASSERT_EQ(readFrom(file, gs), 4);
    EXPECT_EQ(gs.Words[1], QStringLiteral("APPLE PIE"));
    EXPECT_EQ(gs.Words[2], QStringLiteral("KIWI\t")); // only spaces are trimmed
    EXPECT_EQ(gs.Words[3], QStringLiteral("CAF\u00c9"));
    EXPECT_EQ(gs.Words[4], QStringLiteral("PLUM"));
}

TEST(WordFile, ShorterListLeavesOldEntriesAndUnusableFileChangesNothing)
{
    GameState gs;
    ASSERT_EQ(readFrom("one\ntwo\nthree\nfour\nfive\n", gs), 5);
    gs.Asked.fill(true);
    ASSERT_EQ(readFrom("six\nseven\neight\n", gs), 3);
    EXPECT_EQ(gs.Words[3], QStringLiteral("EIGHT"));
    EXPECT_EQ(gs.Words[4], QStringLiteral("FOUR"));
    EXPECT_EQ(gs.Words[5], QStringLiteral("FIVE"));
    EXPECT_FALSE(gs.Asked[3]);
    EXPECT_TRUE(gs.Asked[4]);

    EXPECT_EQ(readFrom("\r\n\t\r\n   \r\n", gs), 0);
    EXPECT_EQ(gs.Words[1], QStringLiteral("SIX"));
    EXPECT_TRUE(gs.Asked[0]);
}

TEST(WordFile, ReadFailureKeepsWordsAlreadyTaken)
{
    GameState gs;
    FailingDevice device("pear\r\nplum\r\n");
    try {
        readWords(device, gs);
        FAIL() << "no failure";
    } catch (const Failure &f) {
        EXPECT_EQ(f.number(), ErrDeviceIO);
    }
    EXPECT_EQ(gs.Words[1], QStringLiteral("PEAR"));
    EXPECT_EQ(gs.Words[2], QStringLiteral("PLUM"));

    QTemporaryDir dir;
    try {
        readWordFile(dir.filePath(QStringLiteral("missing.txt")), gs);
        FAIL() << "no failure";
    } catch (const Failure &f) {
        EXPECT_EQ(wordFileFailureText(f),
                  QStringLiteral("Error = 53\r\nFile not found\r\nProblem with Orvella file."));
    }
    EXPECT_EQ(wordFileFailureTitle(), QStringLiteral("Problem with File"));
}
