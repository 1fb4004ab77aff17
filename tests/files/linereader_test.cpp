#include "files/linereader.h"
#include "support/bytesio.h"

#include <gtest/gtest.h>

TEST(LineReader, EveryLineEndCountsOnceEvenAcrossChunks)
{
    const auto readAll = [](const QByteArray &bytes) {
        BytesIn in(bytes);
        LineReader reader(in);
        QStringList lines;
        while (!reader.atEnd())
            lines << reader.readLine();
        return lines;
    };
    EXPECT_EQ(readAll("a\r\nb\rc\nd\n\r\r\n\r\ne\r\n"),
              QStringList({"a", "b", "c", "d", "", "", "", "e"}));
    // The reader takes 64 KiB at a time: the CR is last in the first chunk.
    EXPECT_EQ(readAll(QByteArray(64 * 1024 - 1, 'x') + "\r\nnext"),
              QStringList({QString(64 * 1024 - 1, u'x'), u"next"_qs}));
}
