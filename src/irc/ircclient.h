#pragma once

#include "irc/ircmessage.h"
#include "irc/tokenbucket.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>

class ChatRoom;
class QSslSocket;

struct IrcSettings
{
    QString host;
    quint16 port = 6667;
    bool tls = false;
    QString channel;
    QString name; // the host's avatar name; the nick comes from it
    QByteArray password;
    QByteArray saslUser;
    QByteArray saslPassword;
    // Pacing: burst lines at once, then one each interval.
    int burst = 5;
    int intervalMs = 2000;
    // Quiet this long, the server is pinged; no answer within answerMs (or
    // no first byte within it after connecting) means the link is dead.
    int idleMs = 90000;
    int answerMs = 60000;
    // Waits before reconnecting: from retryMinMs, doubling, up to retryMaxMs.
    int retryMinMs = 1000;
    int retryMaxMs = 60000;
};

// The host's chat client on an IRC network: keeps one connection to the
// server, in the channel, and writes what happens there into the room the
// program reads. Lines the program says go out paced and in order; its own
// lines come back into the room once the server has taken them.
class IrcClient final : public QObject
{
    Q_OBJECT

public:
    IrcClient(IrcSettings settings, ChatRoom &room, QObject *parent = nullptr);
    ~IrcClient() override;

    void start();
    // Joined and ready to speak.
    bool isUp() const { return m_joined; }
    QString nick() const { return m_nick; }

    // The program's request to say text in the channel (mode 0) or to
    // target privately (mode 2); the status to answer it with at once: "0"
    // when the line is queued, "-1" when it cannot be said (no connection,
    // another mode, no target).
    QByteArray communicate(qint16 mode, const QString &target, const QString &text);

    static constexpr int FirstNickLength = 30;

signals:
    // For the console, one line each.
    void report(const QString &line);
    // A fault that retrying cannot mend (refused login, no nick); the
    // connection is closed and stays closed.
    void fatal(const QString &why);
    void joined();
    // Some of the host's lines are on their way to the server (true) or
    // all have been taken or dropped (false). Text the program fetches
    // meanwhile should wait, so that it sees its own lines in place: the
    // opening finds the host's name only in front of enough older text.
    void hostLinesWaiting(bool waiting);

private:
    struct Line
    {
        QByteArray target;
        QByteArray text;
        bool channel = false;
        quint64 id = 0;
    };

    void connectNow();
    void onConnected();
    void onRead();
    void lost(const QString &why);
    void fail(const QString &why);
    void send(const QByteArray &command, const QList<QByteArray> &params);
    void handle(const IrcMessage &m);
    void handleCap(const IrcMessage &m);
    void handleMessage(const IrcMessage &m);
    void tryNick(const QString &nick);
    void nickRefused(int numeric);
    // Takes the wanted nick when the one holding it lets it go.
    void reclaimFrom(const QByteArray &leaving);
    void enterChannel();
    void pump();
    void accepted(const Line &line, const QString &text);
    void refused(const QString &reason);
    void updateWaiting();
    void notice(QString text);
    void noticeLater(const QString &text);
    bool isSelf(QByteArrayView nick) const;
    bool isChannel(QByteArrayView name) const;
    QString shownNick(const QByteArray &nick);
    QByteArray targetNick(const QString &name) const;
    qsizetype textBudget(const QByteArray &target) const;

    IrcSettings m_s;
    ChatRoom &m_room;
    QPointer<QSslSocket> m_socket;
    IrcLineSplitter m_lines;
    TokenBucket m_bucket;
    QElapsedTimer m_clock;
    QTimer m_pace, m_idle, m_answer, m_retry, m_reclaim;

    QString m_wanted; // the nick the host's name maps to
    QString m_nick;   // the nick the server knows us by
    QString m_tried;
    int m_nickTries = 0;
    qsizetype m_nickLength = FirstNickLength;
    qsizetype m_prefixLength = 0;
    bool m_registered = false;
    bool m_joined = false;
    bool m_broken = false;
    bool m_stopping = false;
    bool m_echoMessage = false;
    bool m_saslDone = false;
    bool m_waiting = false;
    bool m_refusedTold = false;
    QList<QByteArray> m_offered;
    QStringList m_names;
    int m_retries = 0;

    std::deque<Line> m_queue;   // accepted from the program, not yet sent
    std::deque<Line> m_pending; // sent, not yet taken by the server
    quint64 m_nextId = 1;
    QHash<QString, QByteArray> m_seen; // names as the program sees them
};
