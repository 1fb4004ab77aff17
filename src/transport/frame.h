#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The chat-client protocol: frames on a local socket. A frame is a 4-byte
// big-endian payload length and the payload: one op byte, then the op's
// fields. A string field is a 4-byte big-endian length and that many raw
// bytes (Windows-1252, NUL allowed); a number is 16 bits, big-endian, signed.

// Fields: I, R, G, U: app. C: app, mode, target, text. N: key, value.
// P: text. M: action, name, minutes, reason. S: code. T: text. E: text1, number, text2. L: text.
//
// N tells the client something about the game unasked (the keys are in
// chat/wadapi.h); it has no answer, and a client ignores a key it does not
// know, so a newer program can say more than an older client takes.
//
// L is the live copy of the room's text, sent unasked to a program that
// asked for it with the notice "live": whole lines, each ended by CR LF,
// never part of the text a G request fetches.
//
// P is the game status (the text of encodeGameStatus, chat/gamestatus.h),
// sent unasked and unanswered after a step or a countdown second that
// changed it, and only to a client that offered it with the event "status"
// as the link came up: a decoder that does not know an op breaks the stream
// for good, so an older client never gets one.
//
// M asks the client to mute, kick or ban (chat/moderation.h), only a client
// that offered it with the event "moderate"; each is answered, in order, by
// the event "moderated" with the outcome.
enum class FrameOp : char
{
    // program -> client
    Init = 'I',
    Register = 'R',
    Communicate = 'C',
    GetAllText = 'G',
    Unregister = 'U',
    Notice = 'N',
    GameStatus = 'P',
    Moderate = 'M',

    // client -> program
    Status = 'S',
    Text = 'T',
    Event = 'E',
    Live = 'L',
};

// Whether the program sends this op (the client sends the others).
bool sentByProgram(FrameOp op);

// One frame; fields an op does not carry keep their defaults.
struct Frame
{
    FrameOp op = FrameOp::Status;
    QByteArray app;    // I R C G U
    qint16 number = 0; // C: mode; E: number; M: minutes
    QByteArray target; // C; M: name
    QByteArray text;   // C: text; S: code; T, L, P: text; E: text1; N: key; M: action
    QByteArray text2;  // E; N: value; M: reason

    static Frame init(const QByteArray &app);
    static Frame registration(const QByteArray &app);
    static Frame communicate(const QByteArray &app, qint16 mode, const QByteArray &target,
                             const QByteArray &text);
    static Frame getAllText(const QByteArray &app);
    static Frame unregistration(const QByteArray &app);
    static Frame status(const QByteArray &code);
    static Frame chatText(const QByteArray &text);
    static Frame event(const QByteArray &text1, qint16 number, const QByteArray &text2);
    static Frame notice(const QByteArray &key, const QByteArray &value);
    static Frame live(const QByteArray &text);
    static Frame gameStatus(const QByteArray &text);
    static Frame moderate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                          const QByteArray &reason);

    bool operator==(const Frame &) const = default;
};

// Larger frames are a broken or hostile peer, never chat text.
inline constexpr qsizetype MaxFramePayload = 16 * 1024 * 1024;

// The frame as bytes on the wire; empty when its payload would exceed
// MaxFramePayload (no peer would accept it).
QByteArray encodeFrame(const Frame &frame);

// Cuts a byte stream into frames. The first malformed frame (length over
// MaxFramePayload, empty payload, unknown op, a field running past the
// payload, bytes left after the last field) breaks the stream for good:
// nothing after it can be framed reliably.
class FrameDecoder
{
public:
    // Appends received bytes; ignored once the stream is broken.
    void feed(QByteArray bytes);
    // Takes the next whole frame off the stream; nothing when more bytes are
    // needed or the stream is broken.
    std::optional<Frame> next();

    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    // Bytes received but not yet taken as a frame.
    qsizetype buffered() const { return m_buffer.size() - m_pos; }
    void reset();

private:
    void fail(const QString &error);

    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QString m_error;
};

// Where the chat client listens: $XDG_RUNTIME_DIR/wadapi.sock, or
// orvella-<uid>/wadapi.sock in the temporary folder when that variable is
// unset or empty (the chat client makes that folder, for its user alone).
QString defaultWadapiSocketPath();
