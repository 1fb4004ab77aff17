#include "chat/frame.h"

#include <QList>

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray header(quint32 length)
{
    QByteArray h(4, '\0');
    for (int i = 0; i < 4; ++i)
        h[i] = static_cast<char>(length >> (24 - 8 * i));
    return h;
}

bool breaks(const QByteArray &bytes)
{
    FrameDecoder decoder;
    decoder.feed(bytes);
    return !decoder.next() && decoder.failed() && decoder.buffered() == 0;
}

} // namespace

TEST(Frame, WireLayoutIsBigEndianInFieldOrder)
{
    EXPECT_EQ(encodeFrame(Frame::communicate("a", -2, "Bo", QByteArray("h\0i", 3))),
              QByteArray("\0\0\0\x15"
                         "C\0\0\0\x01"
                         "a\xFF\xFE\0\0\0\x02"
                         "Bo\0\0\0\x03"
                         "h\0i",
                         25));
    EXPECT_EQ(encodeFrame(Frame::event("x", 258, "")), QByteArray("\0\0\0\x0C"
                                                                  "E\0\0\0\x01"
                                                                  "x\x01\x02\0\0\0\0",
                                                                  16));
}

TEST(Frame, RoundTripsWholeAndByteByByte)
{
    const QByteArray binary("a\0b\xB0\xFF\r\n", 7);
    const QList<Frame> all = {
        Frame::init("orvella"),
        Frame::registration("x"),
        Frame::getAllText("x"),
        Frame::unregistration(""),
        Frame::status("-1"),
        Frame::chatText(binary),
        Frame::event("t", 32767, binary),
        Frame::communicate("x", -32768, "Ann Lee", binary),
    };
    QByteArray stream;
    for (const Frame &f : all)
        stream += encodeFrame(f);

    FrameDecoder whole, split;
    QList<Frame> fromWhole, fromSplit;
    whole.feed(stream);
    while (std::optional<Frame> f = whole.next())
        fromWhole << *f;
    for (char byte : stream) {
        split.feed(QByteArrayView(&byte, 1));
        while (std::optional<Frame> f = split.next())
            fromSplit << *f;
    }
    EXPECT_EQ(fromWhole, all);
    EXPECT_EQ(fromSplit, all);
    EXPECT_EQ(split.buffered(), 0);
}

TEST(Frame, GarbageBreaksTheStreamForGood)
{
    // Absurd lengths are refused on the header alone, before any buffering.
    EXPECT_TRUE(breaks(header(quint32(MaxFramePayload) + 1) + "T"));
    EXPECT_TRUE(breaks(header(0xFFFFFFFF)));
    FrameDecoder largest;
    largest.feed(header(quint32(MaxFramePayload)) + "T");
    EXPECT_FALSE(largest.next());
    EXPECT_FALSE(largest.failed());
    EXPECT_TRUE(encodeFrame(Frame::chatText(QByteArray(MaxFramePayload, 'x'))).isEmpty());

    const QList<QByteArray> payloads = {
        QByteArray(),               // no op
        QByteArray("X\0\0\0\0", 5), // unknown op
        QByteArray("T\0\0\0", 4),   // length cut short
        QByteArray("T\xFF\xFF\xFF\xFF"
                   "abc",
                   8), // string past the payload
        QByteArray("T\0\0\0\x01"
                   "ab",
                   7), // bytes after the last field
        QByteArray("C\0\0\0\x01"
                   "a\0",
                   7), // number cut short
        QByteArray("E\0\0\0\0\0\x01\0\0\0\x02"
                   "a",
                   12), // text2 cut short
    };
    for (const QByteArray &p : payloads)
        EXPECT_TRUE(breaks(header(p.size()) + p + encodeFrame(Frame::status("0"))))
            << p.toHex().constData();

    // Frames before the garbage count; nothing after it does.
    FrameDecoder decoder;
    decoder.feed(encodeFrame(Frame::chatText("first")) + header(1) + "?");
    EXPECT_EQ(decoder.next(), Frame::chatText("first"));
    EXPECT_FALSE(decoder.next());
    decoder.feed(encodeFrame(Frame::status("0")));
    EXPECT_FALSE(decoder.next());
    EXPECT_FALSE(decoder.errorString().isEmpty());
}

TEST(Frame, RandomBytesNeverCrashTheDecoder)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 500; ++round) {
        // Small plausible lengths and op bytes, so payloads get parsed.
        QByteArray bytes = header(rng() % 40);
        for (int i = static_cast<int>(rng() % 64); i > 0; --i)
            bytes += rng() % 8 == 0 ? "ICGSTE"[rng() % 6] : static_cast<char>(rng());
        FrameDecoder decoder;
        for (qsizetype pos = 0; pos < bytes.size(); pos += 3) {
            decoder.feed(bytes.sliced(pos, std::min<qsizetype>(3, bytes.size() - pos)));
            while (decoder.next()) {
            }
        }
        EXPECT_LE(decoder.buffered(), bytes.size());
    }
}

TEST(Frame, SocketPathFollowsTheRuntimeDirectory)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(defaultWadapiSocketPath(), QStringLiteral("/run/user/4242/wadapi.sock"));
    qputenv("XDG_RUNTIME_DIR", "");
    EXPECT_TRUE(defaultWadapiSocketPath().startsWith(QStringLiteral("/tmp/wadapi-")));
    EXPECT_TRUE(defaultWadapiSocketPath().endsWith(QStringLiteral(".sock")));
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}
