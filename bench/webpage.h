#pragma once

#include "room/wsframe.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpSocket>

// A web page's WebSocket to the room, from a loopback address of its own,
// as people come from many addresses: QWebSocket (Qt 6.4) cannot bind a
// source address. It binds a TCP socket to the address, connects to the
// room's port on 127.0.0.1, sends the upgrade by hand and, once the room
// answers 101, speaks frames with the room's codec, masked as a page must.
// It answers the room's pings and takes a close as the end.
class WebPage final : public QObject
{
    Q_OBJECT

public:
    explicit WebPage(const QHostAddress &from, QObject *parent = nullptr);
    ~WebPage() override;

    void open(quint16 port);
    bool isOpen() const { return m_state == State::Open; }
    // Nothing is sent unless the page is open.
    void sendText(QByteArrayView message);
    void ping(QByteArrayView payload = {});
    // Says goodbye; the page ends when the room closes too.
    void close();

signals:
    void opened();
    void textReceived(const QByteArray &message);
    void pong();
    // Once, however it ended: upgrade refused, closed by either side, broken.
    void closed();

private:
    void read();
    void send(WsFrame::Op op, QByteArrayView payload);
    void end();

    enum class State
    {
        Idle,
        Upgrading,
        Open,
        Closing,
        Ended,
    };

    QHostAddress m_from;
    QTcpSocket m_socket;
    State m_state = State::Idle;
    QByteArray m_key;
    QByteArray m_in;
    // A text message whose later fragments are still to come.
    QByteArray m_message;
};
