#pragma once

#include "chat/gamestatus.h"
#include "chat/moderation.h"
#include "irc/ircconnection.h"
#include "irc/ircoutbox.h"
#include "irc/ircregistration.h"
#include "irc/ircsettings.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <deque>

class ChatRoom;

// The host's chat client on an IRC network: keeps one connection to the
// server (IrcConnection), logged in (IrcRegistration) and in the channel,
// and writes what happens there into the room the program reads. Lines the
// program says go out through the outbox (IrcOutbox), paced and in order;
// its own lines come back into the room once the server has taken them.
class IrcClient final : public QObject
{
    Q_OBJECT

public:
    IrcClient(IrcSettings settings, ChatRoom &room, IrcClock &clock, QObject *parent = nullptr);

    void start();
    // Joined and ready to speak.
    bool isUp() const { return m_channel == Channel::In; }
    QString nick() const { return m_login.nick(); }

    // The program's request to say text in the channel (mode 0) or to
    // target privately (mode 2); the status to answer it with at once: "0"
    // when the line is queued, "-1" when it cannot be said (another mode, a
    // name the room never showed, out of the channel past the hold). Out of
    // the channel the lines wait, at most MaxHeld of them and holdMs from
    // leaving it, and go out in order once the client is back in.
    QByteArray communicate(qint16 mode, const QString &target, const QString &text);
    // The program's newest game status. With the topic option, a word or
    // pattern that changed becomes the channel's topic, one topic each
    // pacing interval at most, until the server says we may not set it.
    void showStatus(const GameStatus &status);
    // The host's moderation request, carried out in the channel, where the
    // host's nick should be an operator: KICK; a ban on the person's host
    // (their nick while it is unknown) and a KICK; a mute by the server's
    // quiet, or, on a server without one, by hiding the person's lines from
    // the room here. answer gets the outcome once the server has answered
    // every command of it, or at once.
    using ModAnswer = std::function<void(const ModOutcome &)>;
    void moderate(const ModRequest &request, ModAnswer answer);
    // Whether a program is linked: while one is, a game may be open and its
    // players told to write to our nick, so the nick is kept.
    void setProgramLinked(std::function<bool()> linked) { m_login.setKeepNick(std::move(linked)); }

    // Refused for a bad channel key this many times in a row, the client
    // stops: no key becomes right by waiting.
    static constexpr int KeyTries = 3;
    // Lines (pieces of the program's lines, as sent) held out of the
    // channel: more than a few steps say within any hold, and the room
    // would not follow a longer backlog said at once.
    static constexpr qsizetype MaxHeld = 60;
    // Moderation requests waiting for the server, and the bans and mutes
    // set from here that the client keeps.
    static constexpr qsizetype MaxModWaiting = 32;
    static constexpr qsizetype MaxModKept = 100;

signals:
    // For the console, one line each.
    void report(const QString &line);
    // A fault that retrying cannot mend (refused login, no nick); the
    // connection is closed and stays closed.
    void fatal(const QString &why);
    void joined();
    // The name the room shows our lines under: at joining and at every
    // change of our nick.
    void shownAs(const QString &name);
    // Some of the host's lines are on their way to the server (true) or
    // all have been taken or dropped (false). Text the program fetches
    // meanwhile should wait, so that it sees its own lines in place: the
    // opening finds the host's name only in front of enough older text.
    void hostLinesWaiting(bool waiting);
    // The program's lines that the room may never have heard, each one
    // answered "0" or refused now: lost with the connection while sent and
    // not yet answered, or held out of the channel past a limit. Told ahead
    // of the status that refuses a line.
    void unsaid(int lines);

private:
    enum class Channel
    {
        Out,      // not in the channel yet, or kicked from it
        In,       // in the channel: the host's lines go out
        LinkLost, // out since the connection broke; the next join is a return
    };

    void lost();
    void fail(const QString &why);
    // Out of the channel from now: the host's lines are held.
    void leftChannel();
    // Gives up the held lines and extra more, telling the program and the
    // room why; without a why, they may have been said.
    void giveUpHeld(const QString &why, qsizetype extra = 0);
    void received(const IrcMessage &m);
    void message(const IrcMessage &m, bool fromUs);
    void joinSeen(const IrcMessage &m, bool fromUs);
    void nickSeen(const IrcMessage &m, bool fromUs);
    void kickSeen(const IrcMessage &m);
    void joinRefused(const QString &reason, int numeric);
    void rejoinLater();
    int rejoinWait() const;
    void namesSeen(const IrcMessage &m);
    void notice(QString text);
    void noticeLater(const QString &text);
    // A notice about others, shown behind the host's lines sent before it came.
    void noticeInOrder(const QString &text);
    bool isChannel(QByteArrayView name) const;
    QString shownNick(QByteArray nick);
    QByteArray targetNick(const QString &name) const;
    qsizetype textBudget(const QByteArray &target) const;
    void sendTopic();
    void commandAnswered(quint64 ticket, int numeric, const QString &words);
    struct ModWork;
    void finish(ModWork &work);
    QByteArray maskOf(const QByteArray &nick) const;
    void rememberHost(const IrcMessage &m);
    bool isHidden(QByteArrayView nick) const;
    void endMutes();

    IrcSettings m_s;
    ChatRoom &m_room;
    IrcClock &m_clock;
    IrcConnection m_link;
    IrcRegistration m_login;
    IrcOutbox m_outbox;
    Channel m_channel = Channel::Out;
    bool m_refusedTold = false; // the room knows the host's lines are refused
    QString m_joinRefusal;      // why the server refused our last JOIN
    QString m_gaveUp;           // why the client stopped trying the server
    std::unique_ptr<IrcClock::Timer> m_rejoin;
    // Runs from leaving the channel; once over, lines are no longer held.
    std::unique_ptr<IrcClock::Timer> m_hold;
    bool m_holdOver = false;
    int m_joinTries = 0;
    qsizetype m_userHostLength = -1; // "!user@host" of our prefix; -1 until seen
    // The names of a channel's list, until its end: the first ShownNames, a
    // count of the rest, and how many lines the list took.
    static constexpr qsizetype ShownNames = 100;
    static constexpr int MaxNameLines = 1000;
    QStringList m_names;
    qsizetype m_moreNames = 0;
    int m_nameLines = 0;
    // The nick behind each name the room showed, as the program sees it
    // (Windows-1252); the oldest go first.
    static constexpr qsizetype MaxSeen = 10000;
    QHash<QString, QByteArray> m_seen;
    std::deque<QString> m_seenOrder;
    // The spelling the room knows a nick by, for nicks that changed only
    // their case (by their folded form).
    QHash<QByteArray, QByteArray> m_spelling;
    int m_keyRefusals = 0;
    // The topic the status asks for, the last one sent, and the pause
    // between two; no more once the server refused one.
    QString m_topicWanted, m_topicSent;
    std::unique_ptr<IrcClock::Timer> m_topicPause;
    bool m_topicRefused = false;
    quint64 m_topicTicket = 0;

    // A moderation request out to the server: the answer to each command of
    // it (numeric 0 when taken), in the order sent.
    struct ModWork
    {
        ModRequest request;
        ModAnswer answer;
        QByteArray mask;
        QList<quint64> tickets;
        QList<std::pair<int, QString>> answers;
    };
    std::deque<ModWork> m_modWork;
    // Each person's host, by their folded nick, as their prefix last showed it.
    static constexpr qsizetype MaxHosts = 10000;
    QHash<QByteArray, QByteArray> m_hosts;
    // Bans and mutes set from here, under the name the room showed.
    struct Mask
    {
        QString name;
        QByteArray mask;
    };
    QList<Mask> m_bans;
    struct Mute
    {
        QString name;
        QByteArray nick; // as the server knows it now
        QByteArray mask; // the server's quiet; empty: hidden here only
        qint64 until = 0;
    };
    QList<Mute> m_mutes;
    std::unique_ptr<IrcClock::Timer> m_muteEnds;
};
