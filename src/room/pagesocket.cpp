#include "room/pagesocket.h"

#include "room/wsframe.h"

#include <QStringDecoder>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Read no more than this at once, so a page cannot make the room hold much
// more than one message before it is judged.
constexpr qint64 ReadChunk = 16 * 1024;

} // namespace

PageSocket::PageSocket(QTcpSocket *tcp, const QHostAddress &client, QObject *parent)
    : QObject(parent), m_tcp(tcp), m_client(client), m_stall(new QTimer(this)),
      m_over(new QTimer(this))
{
    tcp->setParent(this);
    tcp->disconnect();
    // Qt reads no further than this ahead of the room; the rest waits in
    // the system, and the page's own sending slows.
    tcp->setReadBufferSize(ReadChunk);
    m_stall->setSingleShot(true);
    m_stall->setInterval(StallMs);
    connect(m_stall, &QTimer::timeout, this, &PageSocket::slow);
    m_over->setSingleShot(true);
    m_over->setInterval(OverMs);
    connect(m_over, &QTimer::timeout, this, &PageSocket::slow);
    connect(tcp, &QTcpSocket::readyRead, this, &PageSocket::readFrames);
    connect(tcp, &QTcpSocket::bytesWritten, this, &PageSocket::wrote);
    connect(tcp, &QTcpSocket::disconnected, this, &PageSocket::end);
    connect(tcp, &QTcpSocket::errorOccurred, this, &PageSocket::end);
    // Frames that came with the upgrade request wait in the socket.
    QTimer::singleShot(0, this, &PageSocket::readFrames);
}

PageSocket::~PageSocket() = default;

qint64 PageSocket::backlog() const
{
    return m_tcp ? m_tcp->bytesToWrite() : 0;
}

QByteArray PageSocket::textFrame(QByteArrayView utf8)
{
    return WsFrame::encode(WsFrame::Text, utf8);
}

void PageSocket::sendText(const QString &text)
{
    sendFrame(textFrame(text.toUtf8()));
}

void PageSocket::sendFrame(const QByteArray &frame)
{
    if (m_open)
        write(frame);
}

void PageSocket::close(quint16 code, const QString &reason)
{
    if (!m_open)
        return;
    write(WsFrame::encode(WsFrame::Close, WsFrame::closePayload(code, reason.toUtf8())));
    end();
}

void PageSocket::abort()
{
    if (m_tcp)
        m_tcp->abort();
    end();
}

void PageSocket::write(const QByteArray &frame)
{
    if (!m_tcp || m_ended)
        return;
    m_tcp->write(frame);
    // Judged later, once the socket had its chance to send.
    if (!m_stall->isActive())
        m_stall->start();
    if (m_tcp->bytesToWrite() > MaxBacklog && !m_over->isActive())
        m_over->start();
}

void PageSocket::slow()
{
    // Going away, not a policy: the page comes back with its token.
    m_slow = true;
    fail(WsFrame::GoingAway, QStringLiteral("did not read what the room sent"));
}

void PageSocket::wrote()
{
    if (!m_tcp)
        return;
    if (m_tcp->bytesToWrite() <= MaxBacklog)
        m_over->stop();
    if (m_tcp->bytesToWrite() == 0)
        m_stall->stop();
    else if (!m_ended)
        m_stall->start();
    if (m_open && m_tcp->bytesToWrite() < LowWater)
        emit drained();
}

void PageSocket::readFrames()
{
    while (m_open && m_tcp && m_tcp->bytesAvailable() > 0) {
        // Only what is there: a chunk read whole would keep its capacity.
        m_in += m_tcp->read(std::min(ReadChunk, m_tcp->bytesAvailable()));
        WsFrame::Frame f;
        while (m_open) {
            const WsFrame::Taken taken = WsFrame::take(m_in, true, MaxMessage, &f);
            if (taken == WsFrame::Taken::NeedMore)
                break;
            if (taken == WsFrame::Taken::TooLarge) {
                fail(WsFrame::TooMuchData, QStringLiteral("sent a frame the room does not take"));
                return;
            }
            if (taken == WsFrame::Taken::Bad) {
                fail(WsFrame::ProtocolError, QStringLiteral("sent a frame the room does not take"));
                return;
            }
            frame(f.op, f.fin, f.payload);
        }
    }
    if (m_in.isEmpty())
        m_in.clear(); // its memory too
}

void PageSocket::frame(quint8 op, bool fin, QByteArray &payload)
{
    if (op & 0x8) {
        if (!m_controls.take()) {
            fail(WsFrame::PolicyViolated, QStringLiteral("flooded the room with control frames"));
            return;
        }
        if (op == WsFrame::Ping) {
            write(WsFrame::encode(WsFrame::Pong, payload));
        } else if (op == WsFrame::Close) {
            // The page's code goes back to it, as the protocol wants.
            close(payload.size() >= 2 ? quint16(quint8(payload[0]) << 8 | quint8(payload[1]))
                                      : quint16(WsFrame::Normal));
        }
        return;
    }
    if (!m_frames.take()) {
        fail(WsFrame::PolicyViolated, QStringLiteral("flooded the room"));
        return;
    }
    if (op == WsFrame::Binary) {
        fail(WsFrame::WrongDatatype, QStringLiteral("sent a frame the room does not take"));
        return;
    }
    if ((op == WsFrame::Continuation) != m_inMessage ||
        m_message.size() + payload.size() > MaxMessage) {
        fail(WsFrame::ProtocolError, QStringLiteral("sent a frame the room does not take"));
        return;
    }
    m_message += payload;
    m_inMessage = !fin;
    if (!fin)
        return;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(std::exchange(m_message, {}));
    if (utf8.hasError()) {
        fail(WsFrame::BadPayload, QStringLiteral("sent a frame the room does not take"));
        return;
    }
    emit textReceived(text);
}

void PageSocket::fail(quint16 code, const QString &why)
{
    if (m_ended)
        return;
    m_fault = why;
    close(code, why);
    end();
}

void PageSocket::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_open = false;
    m_stall->stop();
    m_over->stop();
    if (m_tcp && m_tcp->state() == QAbstractSocket::ConnectedState) {
        // What was written still goes out, but a page that never reads
        // must not keep the connection.
        connect(m_tcp, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        QTimer::singleShot(LingerMs, this, [this] {
            if (m_tcp)
                m_tcp->abort();
            deleteLater();
        });
        m_tcp->disconnectFromHost();
    } else {
        deleteLater();
    }
    emit ended();
}
