#pragma once

#include "irc/ircclock.h"
#include "irc/ircmessage.h"
#include "irc/ircsettings.h"

#include <QObject>
#include <QPointer>

class QSslSocket;

// One connection to the IRC server at a time, in plain text or TLS: hands
// over each line the server sends, answers its PINGs, pings a server that
// has gone quiet, and when the link breaks, opens a new one after a wait
// that doubles with each failure.
class IrcConnection final : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Idle,       // not opened yet
        Connecting, // the socket is on its way
        Open,       // lines go both ways
        Waiting,    // the link broke; a new one is due
        Closed,     // closed for good
    };

    IrcConnection(const IrcSettings &settings, IrcClock &clock, QObject *parent = nullptr);
    ~IrcConnection() override;

    State state() const { return m_state; }
    void open();
    // Dropped unless the state is Open or Connecting.
    void send(const QByteArray &command, const QList<QByteArray> &params);
    // Closes for good; an open link is lost with why.
    void close(const QString &why);
    // Drops this link for why and opens a new one after the wait.
    void abandon(const QString &why) { drop(why, State::Waiting); }
    // The link has proven good: the next wait is the shortest again.
    void resetRetryWait() { m_retries = 0; }

signals:
    void opened();
    void received(const IrcMessage &message);
    // The link broke (its reason is reported first). The state is Waiting,
    // or Closed when the connection was closed for good; the retry is
    // reported and set up after this, unless a slot closes the connection.
    void lost();
    // For the console, one line each.
    void report(const QString &line);
    // The server's certificate was refused on every try: the connection is
    // closed for good (after lost()).
    void gaveUp(const QString &why);

private:
    void onRead();
    void drop(const QString &why, State next);
    // Whether the certificate the server shows is the pinned one, if any.
    bool pinMatches() const;
    QString pinFault() const;

    IrcSettings m_s;
    State m_state = State::Idle;
    QPointer<QSslSocket> m_socket;
    IrcLineSplitter m_lines;
    std::unique_ptr<IrcClock::Timer> m_idle, m_answer, m_retry;
    int m_retries = 0;
    QString m_certificateFault; // why this link's certificate was refused
    int m_certificateFaults = 0;
};
