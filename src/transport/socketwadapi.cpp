#include "transport/socketwadapi.h"

#include "base/ansi.h"
#include "chat/protocol.h"
#include "chat/waits.h"
#include "transport/localconnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// How long a request waits for its status before events flow again.
constexpr std::chrono::milliseconds QuickAnswer{2};

int msecs(std::chrono::milliseconds d)
{
    return static_cast<int>(std::clamp<qint64>(d.count(), 0, std::numeric_limits<int>::max()));
}

} // namespace

QString foreignPeer(qintptr descriptor)
{
#if defined(Q_OS_LINUX)
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0)
        return QStringLiteral("cannot tell which user the other end runs as");
    const uid_t uid = cred.uid;
#elif defined(Q_OS_UNIX)
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(static_cast<int>(descriptor), &uid, &gid) != 0)
        return QStringLiteral("cannot tell which user the other end runs as");
#else
    Q_UNUSED(descriptor);
    return {};
#endif
#ifdef Q_OS_UNIX
    if (uid != ::getuid())
        return QStringLiteral("the other end runs as another user (uid %1)").arg(uid);
    return {};
#endif
}

SocketWadapi::SocketWadapi(const QString &socketPath, QObject *parent)
    : QObject(parent), m_path(socketPath)
{}

SocketWadapi::~SocketWadapi()
{
    closeSocket();
}

qint16 SocketWadapi::InitDDE(const QString &app, WadapiCallbacks *callbacks)
{
    closeSocket();
    m_up = false;
    m_lastError.clear();
    m_callbacks = callbacks;

    auto *socket = new LocalConnection(this);
    m_socket = socket;
    connect(socket, &LocalConnection::readyRead, this, &SocketWadapi::drain);
    connect(socket, &LocalConnection::disconnected, this, [this, socket] {
        if (m_socket != socket)
            return;
        // What the client said before leaving still counts.
        drain();
        if (m_socket == socket)
            lose(QStringLiteral("the chat client went away"));
    });

    if (const QString why = socket->connectTo(m_path, m_connectTimeout); !why.isEmpty()) {
        lose(QStringLiteral("no chat client answers at %1 (%2)").arg(m_path, why));
        return NoClient;
    }
    // Whoever listens first at the path would get the host's lines and could
    // feed the program any room.
    if (const QString foreign = foreignPeer(socket->descriptor()); !foreign.isEmpty()) {
        lose(QStringLiteral("refused the socket %1: %2; it is not this user's chat client")
                 .arg(m_path, foreign));
        qWarning().noquote() << QStringLiteral("Orvella %1.").arg(m_lastError);
        return ForeignClient;
    }
    m_up = true;

    Request req;
    req.deliverStatus = false; // the result of InitDDE carries it
    request(Frame::init(Ansi::encode(app)), req);
    if (!req.answered) {
        if (m_up)
            lose(QStringLiteral("the chat client did not answer"));
        return NoAnswer;
    }
    if (req.code != statusCode(ClientStatus::Done)) {
        lose(QStringLiteral("the chat client refused the link (%1)")
                 .arg(QString::fromLatin1(req.code.toPercentEncoding(" "))));
        return Refused;
    }
    if (!connected())
        return NoAnswer;
    m_established = true;
    return 0;
}

void SocketWadapi::DapiRegister(const QString &app)
{
    if (connected())
        send(Frame::registration(Ansi::encode(app)));
}

void SocketWadapi::DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                                   const QByteArray &text)
{
    Request req;
    request(Frame::communicate(Ansi::encode(app), mode, target, text), req);
}

void SocketWadapi::DapiGetAllText(const QString &app)
{
    Request req;
    request(Frame::getAllText(Ansi::encode(app)), req);
}

void SocketWadapi::DapiUnregister(const QString &app)
{
    if (connected())
        send(Frame::unregistration(Ansi::encode(app)));
}

void SocketWadapi::DapiNotice(const QByteArray &key, const QByteArray &value)
{
    if (connected())
        send(Frame::notice(key, value));
}

void SocketWadapi::DapiGameStatus(const QByteArray &text)
{
    if (connected())
        send(Frame::gameStatus(text));
}

void SocketWadapi::DapiModerate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                                const QByteArray &reason)
{
    if (connected())
        send(Frame::moderate(action, name, minutes, reason));
}

void SocketWadapi::KillDDE()
{
    // The unregistration sent just before must not be thrown away with the
    // socket's write buffer.
    if (connected()) {
        m_socket->flush(1000);
    }
    m_up = false;
    m_established = false;
    closeSocket();
    m_callbacks = nullptr;
}

bool SocketWadapi::connected() const
{
    return m_up && m_socket && m_socket->isOpen();
}

void SocketWadapi::request(const Frame &frame, Request &req)
{
    if (!connected())
        return;
    // Whatever came in since the last request is handed over first; a late
    // status in it answers no request and is dropped, not taken for ours.
    drain();
    if (!connected())
        return;

    m_waiting.push_back(&req);
    const auto leave = qScopeGuard([this, &req] {
        std::erase(m_waiting, &req);
        // An outer request answered while a later one waited is told now,
        // so the later one cannot leave its status where this caller reads.
        if (req.answered && !req.delivered && req.deliverStatus && m_callbacks)
            m_callbacks->OnDapiStatus(req.code);
    });
    if (!send(frame))
        return;

    // A client answers at once as a rule. The first moments are waited for
    // on the socket alone, which costs far less than passes of the event
    // loop and holds the window up for no time a host could notice.
    const QDeadlineTimer deadline(m_replyTimeout, Qt::PreciseTimer);
    const QDeadlineTimer quick(std::min(m_replyTimeout, QuickAnswer), Qt::PreciseTimer);
    while (!req.answered && connected()) {
        LocalConnection *socket = m_socket;
        // readyRead may be emitted in here and drain the frames itself.
        const bool ready = socket->waitForReadable(
            msecs(std::chrono::ceil<std::chrono::milliseconds>(quick.remainingTimeAsDuration())));
        if (m_socket != socket)
            return;
        if (!ready) {
            if (!socket->isOpen()) {
                drain();
                if (m_socket == socket)
                    lose(QStringLiteral("the chat client went away"));
                return;
            }
            break; // slow: on with events flowing
        }
        drain();
    }
    if (req.answered || !connected())
        return;

    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    connect(&timeout, &QTimer::timeout, &timeout, [&timedOut] { timedOut = true; });
    timeout.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
    // readyRead drains the frames as they come; a client that leaves is
    // noticed through disconnected.
    while (!req.answered && connected() && !timedOut && !Waits::abandoned()) {
        drain();
        if (req.answered || !connected())
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool SocketWadapi::send(const Frame &frame)
{
    const QByteArray bytes = encodeFrame(frame);
    if (bytes.isEmpty())
        return false; // too large for any client; the request goes unanswered
    LocalConnection *socket = m_socket;
    if (!socket->write(bytes)) {
        lose(QStringLiteral("cannot write to the chat client: %1").arg(socket->errorString()));
        return false;
    }
    return connected();
}

void SocketWadapi::drain()
{
    LocalConnection *socket = m_socket;
    if (!socket)
        return;
    if (QByteArray bytes = socket->takeReceived(); !bytes.isEmpty())
        m_decoder.feed(std::move(bytes));
    // Each frame leaves the decoder before its callback runs, so a drain
    // started inside a callback goes on with the next frame, in order.
    while (m_socket == socket) {
        std::optional<Frame> frame = m_decoder.next();
        if (!frame)
            break;
        dispatch(*frame);
    }
    if (m_socket == socket && m_decoder.failed())
        lose(QStringLiteral("the chat client broke the protocol: %1").arg(m_decoder.errorString()));
}

void SocketWadapi::dispatch(const Frame &frame)
{
    if (sentByProgram(frame.op)) {
        lose(QStringLiteral("the chat client sent a '%1' frame")
                 .arg(QLatin1Char(static_cast<char>(frame.op))));
        return;
    }
    switch (frame.op) {
    case FrameOp::Status:
        for (Request *req : m_waiting) {
            if (!req->answered) {
                req->answered = true;
                req->code = frame.text;
                req->delivered = req == m_waiting.back() && req->deliverStatus && m_callbacks;
                if (req->delivered)
                    m_callbacks->OnDapiStatus(frame.text);
                break;
            }
        }
        return;
    case FrameOp::Text:
        if (m_callbacks)
            m_callbacks->OnDapiText(frame.text);
        return;
    case FrameOp::Event:
        if (m_callbacks)
            m_callbacks->OnDapiEvent(frame.text, frame.number, frame.text2);
        return;
    case FrameOp::Live:
        if (m_callbacks)
            m_callbacks->OnDapiLive(frame.text);
        return;
    default:
        return;
    }
}

void SocketWadapi::lose(const QString &why)
{
    const bool announce = m_established && m_callbacks;
    m_up = false;
    m_established = false;
    m_lastError = why;
    closeSocket();
    if (announce)
        m_callbacks->OnDapiGone();
}

void SocketWadapi::closeSocket()
{
    m_decoder.reset();
    LocalConnection *socket = m_socket;
    if (!socket)
        return;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->close();
    // It may be emitting the signal that brought us here.
    socket->deleteLater();
}
