#include "files/linereader.h"

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

TEST(LineReader, EveryLineEndCountsOnceEvenAcrossChunks)
{
    EXPECT_EQ(readAll("a\r\nb\rc\nd\n\r\r\n\r\ne\r\n"),
              QStringList({"a", "b", "c", "d", "", "", "", "e"}));

    // The reader takes 64 KiB at a time: the CR is last in the first chunk.
    EXPECT_EQ(readAll(QByteArray(64 * 1024 - 1, 'x') + "\r\nnext"),
              QStringList({QString(64 * 1024 - 1, u'x'), QStringLiteral("next")}));
}
