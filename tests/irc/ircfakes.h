#pragma once

#include "irc/ircmessage.h"
#include "support/waituntil.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

// A line-oriented peer on a TCP socket: what it hears can be waited for.
struct IrcPeer
{
    QPointer<QTcpSocket> socket;
    IrcLineSplitter lines;
    QList<QByteArray> heard;
    qsizetype seen = 0;
    bool answerPings = false;

    void attach(QTcpSocket *s)
    {
        socket = s;
        lines.reset();
        heard.clear();
        seen = 0;
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
            lines.feed(s->readAll());
            while (const std::optional<QByteArray> line = lines.next()) {
                heard << *line;
                if (answerPings && line->startsWith("PING "))
                    say("PONG " + line->mid(5));
            }
        });
    }
    void say(const QByteArray &line)
    {
        socket->write(line + "\r\n");
        socket->flush();
    }
    // The next line heard that holds text, past those already waited for.
    QByteArray waitFor(const QByteArray &text, int ms = 10000)
    {
        qsizetype at = 0;
        const auto found = [&] {
            for (at = seen; at < heard.size(); ++at)
                if (heard[at].contains(text))
                    return true;
            return false;
        };
        if (!waitUntil(found, ms)) {
            ADD_FAILURE() << "never heard " << text.toStdString();
            return {};
        }
        seen = at + 1;
        return heard[at];
    }
    // Each step: wait to hear the first, then say the second.
    void play(const QList<std::pair<QByteArray, QByteArray>> &steps)
    {
        for (const auto &[hear, answer] : steps)
            if (!waitFor(hear).isEmpty())
                say(answer);
    }
};

// A server the test plays line by line; a new connection replaces the last.
struct FakeIrcServer : IrcPeer
{
    QTcpServer server;
    int connections = 0;
    FakeIrcServer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            ++connections;
            attach(server.nextPendingConnection());
        });
    }
};

// A person in the channel on a plain IRC connection.
struct IrcPlayer : IrcPeer
{
    QTcpSocket tcp;
    bool join(quint16 port, const QByteArray &nick, const QByteArray &channel)
    {
        tcp.abort();
        answerPings = true;
        attach(&tcp);
        tcp.connectToHost(QHostAddress::LocalHost, port);
        if (!tcp.waitForConnected(5000))
            return false;
        say("NICK " + nick + "\r\nUSER " + nick + " 0 * :" + nick + "\r\nJOIN " + channel);
        return !waitFor(" 366 ").isEmpty();
    }
};
