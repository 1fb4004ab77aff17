#include "transport/frame.h"

#include <QList>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray header(quint32 length)
{
    const quint32 bigEndian = qToBigEndian(length);
    return QByteArray(reinterpret_cast<const char *>(&bigEndian), 4);
}

bool breaks(const QByteArray &bytes)
{
    FrameDecoder decoder;
    decoder.feed(bytes);
    return !decoder.next() && decoder.failed() && decoder.buffered() == 0;
}

} // namespace

TEST(Frame, RoundTripsWholeAndByteByByte)
{
    const QByteArray binary("a\0b\xB0\xFF\r\n", 7);
    // Large blocks of chat text, within the stream and at its end, are taken
    // from the buffer whole.
    const QByteArray block = binary.repeated(40000);
    const QList<Frame> all = {
        Frame::init("orvella"),           Frame::status("-1"),
        Frame::chatText(binary),          Frame::chatText(block),
        Frame::event("t", 32767, binary), Frame::communicate("x", -32768, "Ann Lee", binary),
        Frame::notice("reg", binary),     Frame::gameStatus(binary),
        Frame::chatText(block + "end"),
    };
    QByteArray stream;
    for (const Frame &f : all)
        stream += encodeFrame(f);
    for (qsizetype chunk : {stream.size(), qsizetype(1), qsizetype(4096)}) {
        FrameDecoder decoder;
        QList<Frame> decoded;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            decoder.feed(stream.mid(at, chunk));
            while (std::optional<Frame> f = decoder.next())
                decoded << *f;
        }
        EXPECT_EQ(decoded, all) << chunk;
        EXPECT_EQ(decoder.buffered(), 0);
    }
    // Lengths and numbers are big-endian, fields in order.
    EXPECT_EQ(encodeFrame(Frame::event("x", 258, "yz")),
              QByteArray::fromHex("0000000e450000000178010200000002797a"));
}

TEST(Frame, GarbageBreaksTheStreamForGood)
{
    // Absurd lengths are refused on the header alone, before any buffering.
    EXPECT_TRUE(breaks(header(quint32(MaxFramePayload) + 1) + "T"));
    EXPECT_FALSE(breaks(header(quint32(MaxFramePayload)) + "T"));
    EXPECT_TRUE(encodeFrame(Frame::chatText(QByteArray(MaxFramePayload, 'x'))).isEmpty());

    // No op, an unknown op, a length cut short, a string past the payload,
    // bytes after the last field, a number cut short, text2 cut short, a
    // notice without its value.
    for (const char *hex : {"", "5800000000", "54000000", "54ffffffff616263", "54000000016162",
                            "43000000016100", "450000000000010000000261", "4e0000000161"}) {
        const QByteArray p = QByteArray::fromHex(hex);
        EXPECT_TRUE(breaks(header(p.size()) + p + encodeFrame(Frame::status("0")))) << hex;
    }

    // Frames before the garbage count; nothing after it does.
    FrameDecoder decoder;
    decoder.feed(encodeFrame(Frame::chatText("first")) + header(1) + "?");
    EXPECT_EQ(decoder.next(), Frame::chatText("first"));
    EXPECT_FALSE(decoder.next());
    decoder.feed(encodeFrame(Frame::status("0")));
    EXPECT_FALSE(decoder.next());
}
