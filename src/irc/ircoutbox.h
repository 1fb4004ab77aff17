#pragma once

#include "irc/ircclock.h"
#include "irc/ircmessage.h"
#include "irc/tokenbucket.h"

#include <QObject>

#include <deque>

// The host's lines on their way to the channel or to a person: queued in
// order, sent paced by a token bucket, then held until the server has taken
// them or refused them. The server counts every command against its flood
// limit, so the bucket pays for each one sent from here, PINGs and the JOIN
// too. With echo-message the echo of a line says it was taken; otherwise a
// PING goes behind each batch of lines (a bucketful, or fewer when the queue
// runs dry) and behind the JOIN. Since the server answers in order, an error
// that comes before a PONG answers the oldest command still waiting, and
// the PONG says the lines up to it were taken. A line left unanswered for
// confirmMs after it was asked about no longer holds back the room: a
// server that drops lines silently, or has died, must not stall the game.
// What others say meanwhile can wait here (inOrder), so that the room shows
// it behind the host's lines that went out before it came.
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
    // Whether the server echoes our lines (echo-message) on this link.
    void setEchoes(bool echoes) { m_echoes = echoes; }
    // Sends a command of the client's own at once, paid for in the pacing,
    // with a PING behind it; its answer comes to commandAnswered under the
    // ticket returned.
    quint64 command(const QByteArray &command, const QList<QByteArray> &params);
    // Out of the channel: lines wait, those sent may still be answered.
    void pause();
    // The connection is gone: forgets the lines sent and not yet answered,
    // since nobody can tell whether the room heard them, and says how many
    // (those already given up on not counted). Lines not yet sent wait for
    // the next open().
    qsizetype lose();
    // Forgets the lines not yet sent; how many there were.
    qsizetype clear();
    qsizetype queued() const { return qsizetype(m_queue.size()); }
    // Runs show once every line sent so far has been answered or given up
    // on; at once when none waits, or with echo-message. Without it a line's
    // answer may come seconds after a reply to it: the room shows the reply
    // behind it.
    void inOrder(std::function<void()> show);

    // Takes an answer to what was sent (a PONG of ours, an error that
    // refuses a line or the JOIN); false for any other message.
    bool handle(const IrcMessage &m);
    // The server echoed a line of ours with this text (echo-message).
    void echoed(const QByteArray &text);

    // Lines queued or sent but not yet answered.
    bool isWaiting() const { return m_waiting; }

    // What inOrder holds at most: past this, the oldest is shown at once,
    // out of order rather than lost.
    static constexpr qsizetype MaxInOrder = 500;
    static constexpr int NoAnswer = -1;

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
    // The answer to a command of the client's own: taken (numeric 0), the
    // server's error numeric and words, or NoAnswer (none in time, or the
    // connection went first).
    void commandAnswered(quint64 ticket, int numeric, const QString &words);
    // isWaiting() changed.
    void waitingChanged(bool waiting);

private:
    enum class Kind
    {
        Message,
        Join,
        Command, // the client's own, answered by ticket
    };
    struct Line
    {
        QByteArray target;
        QByteArray text;
        bool channel = false;
        Kind kind = Kind::Message;
        quint64 id = 0;
        qint64 due = 0;       // when waiting for its answer ends
        bool asked = false;   // its PING is out, or its echo is awaited
        bool expired = false; // its answer is still taken, but nothing waits for it
    };

    // Sent lines kept for answers: a server that answers nothing cannot
    // make the list grow for ever.
    static constexpr qsizetype MaxSent = 256;

    // Gives up waiting for lines unanswered too long and sends what pacing
    // allows now; again when either wait is over.
    void pump();
    // Again once the program's requests of this turn are in: a PING owed
    // may go now.
    void pumpAfterTurn();
    void send(Line line, const QByteArray &command, const QList<QByteArray> &params);
    // Sends a JOIN or a command of ours past the queue, paid for with its
    // PING; the line's id.
    quint64 sendAhead(Line line, const QByteArray &command, const QList<QByteArray> &params);
    // A PING behind every command sent so far.
    void ping();
    void takenUpTo(quint64 id);
    void updateWaiting();
    void expire();
    // A command of ours that will get no answer now.
    void unanswered(const Line &line, const QString &why);
    // The id of the oldest line sent still waited for; none: the largest.
    quint64 oldestWaited() const;
    // Shows what came in before the line with this id was sent.
    void release(quint64 before);

    IrcSend m_send;
    IrcClock &m_clock;
    TokenBucket m_bucket;
    int m_confirmMs;
    int m_batch;        // lines that one PING follows at most
    int m_unpinged = 0; // lines sent since the last PING
    bool m_echoes = false;
    bool m_pingQueued = false, m_turnOver = false;
    std::unique_ptr<IrcClock::Timer> m_pace, m_confirm;
    bool m_open = false;
    bool m_waiting = false;
    std::deque<Line> m_queue; // not yet sent
    std::deque<Line> m_sent;  // sent, not yet answered; the JOIN among them
    quint64 m_nextId = 1;
    // What inOrder holds, each with the id of the last command sent before it.
    std::deque<std::pair<quint64, std::function<void()>>> m_inOrder;
};
