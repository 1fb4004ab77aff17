#pragma once

#include "irc/ircclock.h"
#include "irc/ircmessage.h"
#include "irc/tokenbucket.h"

#include <QObject>

#include <deque>

// The host's lines on their way to the channel or to a person: queued in
// order, sent paced by a token bucket, then held until the server has taken
// them or refused them. Each line and the JOIN go out with a PING behind
// them; since the server answers in order, an error that comes before a
// PONG answers the oldest of them still waiting, and the PONG says the
// lines up to it were taken. A line left unanswered for confirmMs no longer
// holds back the room: a server that drops lines silently, or has died,
// must not stall the game.
class IrcOutbox final : public QObject
{
    Q_OBJECT

public:
    IrcOutbox(int burst, int intervalMs, int confirmMs, IrcClock &clock, IrcSend send,
              QObject *parent = nullptr);

    // Queues a line for target (the channel when channel is true).
    void say(const QByteArray &target, const QByteArray &text, bool channel);
    // Asks to join channel, with its key when one is given; lines wait
    // until open().
    void join(const QByteArray &channel, const QByteArray &key = {});
    // In the channel: lines go out.
    void open();
    // Out of the channel: lines wait, those sent may still be answered.
    void pause();
    // The connection is gone: forgets every line; how many there were.
    qsizetype drop();

    // Takes an answer to what was sent (a PONG of ours, an error that
    // refuses a line or the JOIN); false for any other message.
    bool handle(const IrcMessage &m);
    // The server echoed a line of ours with this text (echo-message).
    void echoed(const QByteArray &text);

    // Lines queued or sent but not yet answered.
    bool isWaiting() const { return m_waiting; }

signals:
    // The server took a line; text is what the line says in the room.
    void taken(const QByteArray &target, bool channel, const QString &text);
    // The server refused a line.
    void refused(const QByteArray &target, const QString &reason);
    // No answer about a line in time; it no longer holds back the room.
    void unconfirmed(const QByteArray &target);
    // The server refused the JOIN, with this numeric reply.
    void joinRefused(const QString &reason, int numeric);
    // An error that answers nothing sent from here.
    void stray(const QString &reason);
    // isWaiting() changed.
    void waitingChanged(bool waiting);

private:
    struct Line
    {
        QByteArray target;
        QByteArray text;
        bool channel = false;
        bool isJoin = false;
        quint64 id = 0;
        qint64 due = 0;       // when waiting for its answer ends
        bool expired = false; // its answer is still taken, but nothing waits for it
    };

    // Sent lines kept for answers: a server that answers nothing cannot
    // make the list grow for ever.
    static constexpr qsizetype MaxSent = 256;

    // Gives up waiting for lines unanswered too long and sends what pacing
    // allows now; again when either wait is over.
    void pump();
    void sendMarked(Line line, const QByteArray &command, const QList<QByteArray> &params);
    void takenUpTo(quint64 id);
    void updateWaiting();
    void expire();

    IrcSend m_send;
    IrcClock &m_clock;
    TokenBucket m_bucket;
    int m_confirmMs;
    std::unique_ptr<IrcClock::Timer> m_pace, m_confirm;
    bool m_open = false;
    bool m_waiting = false;
    std::deque<Line> m_queue; // not yet sent
    std::deque<Line> m_sent;  // sent, not yet answered; the JOIN among them
    quint64 m_nextId = 1;
};
