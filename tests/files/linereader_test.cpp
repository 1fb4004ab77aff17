#include "files/linereader.h"
#include "game/failure.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {
QStringList readAll(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    QStringList lines;
    while (!reader.atEnd())
        lines << reader.readLine();
    return lines;
}
} // namespace

TEST(LineReader, EveryLineEndCounts)
{
    EXPECT_EQ(readAll("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(readAll("a\r\n\r\nb\r\n"), QStringList({"a", "", "b"}));
    EXPECT_EQ(readAll("\n\r"), QStringList({"", ""}));
    EXPECT_EQ(readAll(""), QStringList());
}

TEST(LineReader, CrLfSplitAcrossChunksIsOneLineEnd)
{
    // The reader takes 64 KiB at a time: put the CR last in the first chunk.
    QByteArray bytes(64 * 1024 - 1, 'x');
    bytes += "\r\nnext";
    const QStringList lines = readAll(bytes);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 64 * 1024 - 1);
    EXPECT_EQ(lines[1], QStringLiteral("next"));
}

TEST(LineReader, HugeLineAndBinaryJunk)
{
    QByteArray bytes(3 * 1024 * 1024, '\xB0');
    bytes[100] = '\0';
    const QStringList lines = readAll(bytes);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), bytes.size());
    EXPECT_EQ(lines[0].at(100), QChar(0));
    EXPECT_EQ(lines[0].at(0), QChar(0xB0));
}

TEST(LineReader, ReadingPastTheEndFails)
{
    QBuffer buffer;
    buffer.setData("only");
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    EXPECT_EQ(reader.readLine(), QStringLiteral("only"));
    EXPECT_TRUE(reader.atEnd());
    try {
        reader.readLine();
        FAIL();
    } catch (const Failure &f) {
        EXPECT_EQ(f.number(), ErrInputPastEnd);
        EXPECT_EQ(f.description(), QStringLiteral("Input past end of file"));
    }
}
