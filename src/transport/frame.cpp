#include "transport/frame.h"

#include <QDir>
#include <QtEndian>

#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr qsizetype HeaderSize = 4;

enum class Shape
{
    App,
    Communicate,
    OneString,
    Event,
    TwoStrings,
    Moderate
};

std::optional<Shape> shapeOf(char op)
{
    switch (static_cast<FrameOp>(op)) {
    case FrameOp::Init:
    case FrameOp::Register:
    case FrameOp::GetAllText:
    case FrameOp::Unregister:
        return Shape::App;
    case FrameOp::Communicate:
        return Shape::Communicate;
    case FrameOp::Status:
    case FrameOp::Text:
    case FrameOp::Live:
    case FrameOp::GameStatus:
        return Shape::OneString;
    case FrameOp::Event:
        return Shape::Event;
    case FrameOp::Notice:
        return Shape::TwoStrings;
    case FrameOp::Moderate:
        return Shape::Moderate;
    }
    return std::nullopt;
}

// Counts what a frame's fields take, so the frame is sized before it is written.
class FieldSizer
{
public:
    bool string(const QByteArray &s)
    {
        size += 4 + s.size();
        return true;
    }
    bool number(qint16)
    {
        size += 2;
        return true;
    }
    qsizetype size = 1; // the op
};

// Writes a frame's fields at a cursor into a buffer sized for them.
class FieldWriter
{
public:
    explicit FieldWriter(char *at) : m_at(at) {}
    bool string(const QByteArray &s)
    {
        qToBigEndian<quint32>(static_cast<quint32>(s.size()), m_at);
        if (!s.isEmpty())
            std::memcpy(m_at + 4, s.constData(), size_t(s.size()));
        m_at += 4 + s.size();
        return true;
    }
    bool number(qint16 n)
    {
        qToBigEndian<qint16>(n, m_at);
        m_at += 2;
        return true;
    }

private:
    char *m_at;
};

// Each shape's fields in the order they go on the wire, for writing a frame
// and for reading one alike; false where a reader runs out.
template <class Fields, class Record> bool eachField(Shape shape, Record &f, Fields &out)
{
    switch (shape) {
    case Shape::App:
        return out.string(f.app);
    case Shape::Communicate:
        return out.string(f.app) && out.number(f.number) && out.string(f.target) &&
               out.string(f.text);
    case Shape::OneString:
        return out.string(f.text);
    case Shape::Event:
        return out.string(f.text) && out.number(f.number) && out.string(f.text2);
    case Shape::TwoStrings:
        return out.string(f.text) && out.string(f.text2);
    case Shape::Moderate:
        return out.string(f.text) && out.string(f.target) && out.number(f.number) &&
               out.string(f.text2);
    }
    return false;
}

// A text longer than this takes the decoder's buffer over instead of a copy;
// a short one would keep a large buffer alive.
constexpr qsizetype MoveAbove = 64 * 1024;

// Reads fields off one payload; any read past its end fails the whole frame.
class FieldReader
{
public:
    explicit FieldReader(QByteArrayView payload) : m_data(payload) {}

    bool string(QByteArrayView &out)
    {
        if (m_data.size() - m_pos < 4)
            return false;
        const quint32 len = qFromBigEndian<quint32>(m_data.data() + m_pos);
        m_pos += 4;
        if (len > static_cast<quint64>(m_data.size() - m_pos))
            return false;
        out = m_data.sliced(m_pos, len);
        m_pos += len;
        return true;
    }

    bool number(qint16 &out)
    {
        if (m_data.size() - m_pos < 2)
            return false;
        out = qFromBigEndian<qint16>(m_data.data() + m_pos);
        m_pos += 2;
        return true;
    }

    bool atEnd() const { return m_pos == m_data.size(); }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 1; // behind the op byte
};

} // namespace

bool sentByProgram(FrameOp op)
{
    switch (op) {
    case FrameOp::Init:
    case FrameOp::Register:
    case FrameOp::Communicate:
    case FrameOp::GetAllText:
    case FrameOp::Unregister:
    case FrameOp::Notice:
    case FrameOp::GameStatus:
    case FrameOp::Moderate:
        return true;
    case FrameOp::Status:
    case FrameOp::Text:
    case FrameOp::Event:
    case FrameOp::Live:
        return false;
    }
    return false;
}

Frame Frame::init(const QByteArray &app)
{
    Frame f;
    f.op = FrameOp::Init;
    f.app = app;
    return f;
}

Frame Frame::registration(const QByteArray &app)
{
    Frame f;
    f.op = FrameOp::Register;
    f.app = app;
    return f;
}

Frame Frame::communicate(const QByteArray &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text)
{
    Frame f;
    f.op = FrameOp::Communicate;
    f.app = app;
    f.number = mode;
    f.target = target;
    f.text = text;
    return f;
}

Frame Frame::getAllText(const QByteArray &app)
{
    Frame f;
    f.op = FrameOp::GetAllText;
    f.app = app;
    return f;
}

Frame Frame::unregistration(const QByteArray &app)
{
    Frame f;
    f.op = FrameOp::Unregister;
    f.app = app;
    return f;
}

Frame Frame::status(const QByteArray &code)
{
    Frame f;
    f.op = FrameOp::Status;
    f.text = code;
    return f;
}

Frame Frame::chatText(const QByteArray &text)
{
    Frame f;
    f.op = FrameOp::Text;
    f.text = text;
    return f;
}

Frame Frame::event(const QByteArray &text1, qint16 number, const QByteArray &text2)
{
    Frame f;
    f.op = FrameOp::Event;
    f.text = text1;
    f.number = number;
    f.text2 = text2;
    return f;
}

Frame Frame::notice(const QByteArray &key, const QByteArray &value)
{
    Frame f;
    f.op = FrameOp::Notice;
    f.text = key;
    f.text2 = value;
    return f;
}

Frame Frame::live(const QByteArray &text)
{
    Frame f;
    f.op = FrameOp::Live;
    f.text = text;
    return f;
}

Frame Frame::gameStatus(const QByteArray &text)
{
    Frame f;
    f.op = FrameOp::GameStatus;
    f.text = text;
    return f;
}

Frame Frame::moderate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                      const QByteArray &reason)
{
    Frame f;
    f.op = FrameOp::Moderate;
    f.text = action;
    f.target = name;
    f.number = minutes;
    f.text2 = reason;
    return f;
}

QByteArray encodeFrame(const Frame &frame)
{
    const std::optional<Shape> shape = shapeOf(static_cast<char>(frame.op));
    if (!shape)
        return {};
    // Sized first and written in place: every line the program says is a
    // frame, and one too large is refused before anything is allocated.
    FieldSizer sizer;
    eachField(*shape, frame, sizer);
    if (sizer.size > MaxFramePayload)
        return {};
    QByteArray out(HeaderSize + sizer.size, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(sizer.size), out.data());
    out[HeaderSize] = static_cast<char>(frame.op);
    FieldWriter writer(out.data() + HeaderSize + 1);
    eachField(*shape, frame, writer);
    return out;
}

void FrameDecoder::feed(QByteArray bytes)
{
    if (failed())
        return;
    // Drop what earlier frames used before the buffer grows again.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    if (m_buffer.isEmpty() && m_buffer.capacity() < bytes.size())
        m_buffer = std::move(bytes);
    else
        m_buffer.append(bytes);
}

std::optional<Frame> FrameDecoder::next()
{
    if (failed() || buffered() < HeaderSize)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData() + m_pos);
    // Judged on the header alone, so an absurd length never makes us buffer.
    if (length > static_cast<quint32>(MaxFramePayload)) {
        fail(QStringLiteral("a frame of %1 bytes is too large").arg(length));
        return std::nullopt;
    }
    if (length == 0) {
        fail(QStringLiteral("an empty frame"));
        return std::nullopt;
    }
    if (buffered() - HeaderSize < static_cast<qsizetype>(length)) {
        // Room for the whole frame at once: a large block is not copied
        // again each time the buffer grows.
        if (m_pos > 0) {
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        m_buffer.reserve(HeaderSize + length);
        return std::nullopt;
    }

    const QByteArrayView payload(m_buffer.constData() + m_pos + HeaderSize, length);
    const char opByte = payload.at(0);
    const std::optional<Shape> shape = shapeOf(opByte);
    if (!shape) {
        fail(QStringLiteral("unknown operation 0x%1")
                 .arg(static_cast<uchar>(opByte), 2, 16, QLatin1Char('0')));
        return std::nullopt;
    }

    Frame f;
    f.op = static_cast<FrameOp>(opByte);
    FieldReader r(payload);
    // The fields as they lie in the buffer, copied out once the frame is whole.
    struct
    {
        QByteArrayView app, target, text, text2;
        qint16 number = 0;
    } in;
    const bool ok = eachField(*shape, in, r);
    f.number = in.number;
    if (!ok || !r.atEnd()) {
        fail(QStringLiteral("a malformed '%1' frame").arg(QLatin1Char(opByte)));
        return std::nullopt;
    }
    f.app = in.app.toByteArray();
    f.target = in.target.toByteArray();
    f.text2 = in.text2.toByteArray();

    m_pos += HeaderSize + length;
    if (m_pos < m_buffer.size()) {
        f.text = in.text.toByteArray();
        return f;
    }
    // A large block of chat text, the last field of the last frame, is
    // handed over where it lies; dropping the bytes in front of it moves no data.
    if (*shape == Shape::OneString && in.text.size() > MoveAbove) {
        const qsizetype at = in.text.data() - m_buffer.constData();
        f.text = std::move(m_buffer);
        f.text.remove(0, at);
        m_buffer = QByteArray();
    } else {
        f.text = in.text.toByteArray();
        m_buffer.clear();
    }
    m_pos = 0;
    return f;
}

void FrameDecoder::reset()
{
    m_buffer.clear();
    m_pos = 0;
    m_error.clear();
}

void FrameDecoder::fail(const QString &error)
{
    m_error = error;
    m_buffer.clear();
    m_pos = 0;
}

QString defaultWadapiSocketPath()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty())
        return runtimeDir + QStringLiteral("/wadapi.sock");
#ifdef Q_OS_UNIX
    // A folder of our own: in the shared one another user could take the name.
    return QDir::tempPath() + QStringLiteral("/orvella-%1/wadapi.sock").arg(::getuid());
#else
    return QStringLiteral("/tmp/wadapi.sock");
#endif
}
