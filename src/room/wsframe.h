#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// WebSocket frames (RFC 6455) for both ends: the room reads the masked
// frames a page sends and writes unmasked ones; a test's or a benchmark's
// page does the opposite.
namespace WsFrame {

enum Op : quint8
{
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

// Control frames carry at most this much and are never fragmented.
constexpr qsizetype MaxControl = 125;

// Close codes the room sends.
enum CloseCode : quint16
{
    Normal = 1000,
    GoingAway = 1001,
    ProtocolError = 1002,
    WrongDatatype = 1003,
    BadPayload = 1007,
    PolicyViolated = 1008,
    TooMuchData = 1009,
};

// One frame; mask is given by a page, never by the room.
QByteArray encode(Op op, QByteArrayView payload, bool fin = true,
                  std::optional<quint32> mask = std::nullopt);

// A close frame's payload: the code, then a reason cut to fit.
QByteArray closePayload(quint16 code, QByteArrayView reason = {});

struct Frame
{
    Op op = Text;
    bool fin = true;
    QByteArray payload; // unmasked
};

enum class Taken
{
    Frame,    // *frame holds the first frame, removed from the buffer
    NeedMore, // the buffer holds no whole frame yet
    Bad, // reserved bits, an unknown op, a long or split control frame, a mask where none belongs
    TooLarge, // a payload over maxPayload: read no further
};

// Takes the first frame off the front of buffer. masked: whether the sender
// must mask (a page must; the room must not).
Taken take(QByteArray &buffer, bool masked, qint64 maxPayload, Frame *frame);

// The Sec-WebSocket-Accept value for a page's Sec-WebSocket-Key.
QByteArray acceptKey(QByteArrayView key);

} // namespace WsFrame
