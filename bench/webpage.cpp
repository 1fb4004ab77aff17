#include "webpage.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace {

// The room sends one small JSON message a frame; anything near this is wrong.
constexpr qint64 MaxMessage = 1024 * 1024;
// A page that said goodbye waits this long for the room's close.
constexpr int CloseMs = 2000;

} // namespace

WebPage::WebPage(const QHostAddress &from, QObject *parent) : QObject(parent), m_from(from)
{
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_state = State::Upgrading;
        const quint16 port = m_socket.peerPort();
        const QByteArray host = "127.0.0.1:" + QByteArray::number(port);
        m_socket.write("GET /ws HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host +
                       "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " +
                       m_key + "\r\nSec-WebSocket-Version: 13\r\n\r\n");
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &WebPage::read);
    connect(&m_socket, &QTcpSocket::disconnected, this, &WebPage::end);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &WebPage::end);
}

WebPage::~WebPage()
{
    // The socket goes after this page; what it says on its way is for no one.
    m_socket.disconnect(this);
}

void WebPage::open(quint16 port)
{
    QByteArray nonce(16, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(nonce.data()), 4);
    m_key = nonce.toBase64();
    if (!m_socket.bind(m_from)) {
        // Not now: whoever opened the page has not heard of it yet.
        QTimer::singleShot(0, this, &WebPage::end);
        return;
    }
    m_socket.connectToHost(QHostAddress::LocalHost, port);
}

void WebPage::sendText(QByteArrayView message)
{
    if (m_state == State::Open)
        send(WsFrame::Text, message);
}

void WebPage::ping(QByteArrayView payload)
{
    if (m_state == State::Open)
        send(WsFrame::Ping, payload);
}

void WebPage::close()
{
    if (m_state != State::Open) {
        if (m_state != State::Closing) {
            m_socket.abort();
            end();
        }
        return;
    }
    send(WsFrame::Close, WsFrame::closePayload(WsFrame::Normal));
    m_state = State::Closing;
    QTimer::singleShot(CloseMs, this, [this] { m_socket.abort(); });
}

void WebPage::send(WsFrame::Op op, QByteArrayView payload)
{
    m_socket.write(WsFrame::encode(op, payload, true, QRandomGenerator::global()->generate()));
}

void WebPage::read()
{
    m_in += m_socket.readAll();
    if (m_state == State::Upgrading) {
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = m_in.left(end).split('\n');
        const bool accepted =
            lines.first().startsWith("HTTP/1.1 101") &&
            std::ranges::any_of(lines, [&](const QByteArray &line) {
                return line.trimmed().toLower().startsWith("sec-websocket-accept:") &&
                       line.mid(line.indexOf(':') + 1).trimmed() == WsFrame::acceptKey(m_key);
            });
        m_in.remove(0, end + 4);
        if (!accepted) {
            m_socket.abort();
            return;
        }
        m_state = State::Open;
        emit opened();
    }
    WsFrame::Frame frame;
    while (m_state == State::Open || m_state == State::Closing) {
        const WsFrame::Taken taken = WsFrame::take(m_in, /*masked=*/false, MaxMessage, &frame);
        if (taken == WsFrame::Taken::NeedMore)
            return;
        if (taken != WsFrame::Taken::Frame) {
            m_socket.abort();
            return;
        }
        switch (frame.op) {
        case WsFrame::Text:
        case WsFrame::Continuation:
            m_message += frame.payload;
            if (frame.fin && m_state == State::Open)
                emit textReceived(std::exchange(m_message, {}));
            break;
        case WsFrame::Binary:
            break;
        case WsFrame::Ping:
            send(WsFrame::Pong, frame.payload);
            break;
        case WsFrame::Pong:
            emit pong();
            break;
        case WsFrame::Close:
            if (m_state == State::Open)
                send(WsFrame::Close, frame.payload.left(2));
            m_state = State::Closing;
            m_socket.disconnectFromHost();
            return;
        }
    }
}

void WebPage::end()
{
    if (m_state == State::Ended)
        return;
    m_state = State::Ended;
    emit closed();
}
