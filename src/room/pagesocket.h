#pragma once

#include "room/personrules.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>

class QTcpSocket;
class QTimer;

// The room's end of a page's WebSocket, once the upgrade was answered. It
// reads and writes the frames itself so that everything it holds for a page
// is counted: a frame too large, a flood of frames or control frames, and
// output a page does not take are each ended with the room's own words.
class PageSocket final : public QObject
{
    Q_OBJECT

public:
    // The connection, its upgrade request read and answered; this takes it
    // over. client: who the page is, as the front knows it.
    PageSocket(QTcpSocket *tcp, const QHostAddress &client, QObject *parent = nullptr);
    ~PageSocket() override;

    QHostAddress client() const { return m_client; }
    bool isOpen() const { return m_open; }

    void sendText(const QString &text);
    // A text frame made once for many pages (textFrame), sent as it is.
    void sendFrame(const QByteArray &frame);
    static QByteArray textFrame(QByteArrayView utf8);
    // Closes with a close frame; what was queued still goes out first.
    void close(quint16 code, const QString &reason = {});
    void abort();

    // Bytes written to the page and not yet sent.
    qint64 backlog() const;

    // Once ended: the room's words for a fault it closed on (a frame it does
    // not take, a flood, output not taken); empty when the page closed or
    // the connection broke.
    QString fault() const { return m_fault; }
    // Whether the fault is the page's not taking what the room sent: a slow
    // reader, not a misbehaving one.
    bool slowReader() const { return m_slow; }

    // A page's message above this closes its connection.
    static constexpr qint64 MaxMessage = 2048;
    // Frames a page may send: a burst, then this many a second. The room's
    // limit on lines is lower; this holds against fragments and noise.
    static constexpr int FrameBurst = 32;
    static constexpr double FramesPerSecond = 8;
    // Pings, pongs and closes: a burst, then this many a second.
    static constexpr int ControlBurst = 16;
    static constexpr double ControlPerSecond = 4;
    // Written and not sent: past this for OverMs, or with nothing sent for
    // StallMs, the page is taken not to read. Never judged at once: a batch
    // of lines written together is no sign of a page that does not read.
    static constexpr qint64 MaxBacklog = 256 * 1024;
    static constexpr int OverMs = 1000;
    static constexpr int StallMs = 20000;
    // drained() comes when the backlog falls under this.
    static constexpr qint64 LowWater = 16 * 1024;
    // Once closed, a page gets this long to take the rest.
    static constexpr int LingerMs = 2000;

signals:
    void textReceived(const QString &text);
    void drained();
    // The connection is over; it is deleted later by itself.
    void ended();

private:
    void readFrames();
    void frame(quint8 op, bool fin, QByteArray &payload);
    void write(const QByteArray &frame);
    void wrote();
    void slow();
    void fail(quint16 code, const QString &why);
    void end();

    QPointer<QTcpSocket> m_tcp;
    QHostAddress m_client;
    bool m_open = true;
    bool m_ended = false;
    bool m_slow = false;
    QString m_fault;
    QByteArray m_in;
    // A text message arriving in fragments.
    QByteArray m_message;
    bool m_inMessage = false;
    PersonRules::LineBudget m_frames{FrameBurst, FramesPerSecond};
    PersonRules::LineBudget m_controls{ControlBurst, ControlPerSecond};
    QTimer *m_stall;
    QTimer *m_over;
};
