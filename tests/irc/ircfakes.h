#pragma once

#include "irc/ircclock.h"
#include "support/waituntil.h"

#include <QPointer>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

// How long a test waits for what should come at once: generous, for slow
// and sanitized builds; a test that passes never waits it out.
constexpr int Patience = 30000;

inline bool eventually(const std::function<bool()> &done)
{
    return waitUntil(done, Patience);
}

// Time that moves only when the test moves it: each wait that ends on the
// way runs at its own time, in order.
struct ManualClock final : IrcClock
{
    struct Wait final : Timer
    {
        ManualClock &clock;
        std::function<void()> done;
        qint64 due = -1;
        Wait(ManualClock &c, std::function<void()> d) : clock(c), done(std::move(d)) {}
        ~Wait() override { std::erase(clock.waits, this); }
        void start(int ms) override { due = clock.t + ms; }
        void stop() override { due = -1; }
        bool isActive() const override { return due >= 0; }
    };
    qint64 t = 0;
    std::vector<Wait *> waits;

    qint64 now() const override { return t; }
    std::unique_ptr<Timer> timer(std::function<void()> done) override
    {
        return std::unique_ptr<Timer>(waits.emplace_back(new Wait(*this, std::move(done))));
    }
    void advance(qint64 ms)
    {
        const qint64 until = t + ms;
        const auto due = [](const Wait *w) { return quint64(w->due); }; // stopped ones last
        while (!waits.empty()) {
            Wait *next = *std::ranges::min_element(waits, {}, due);
            if (next->due < 0 || next->due > until)
                break;
            t = std::exchange(next->due, -1);
            next->done(); // may start, stop or end any wait
        }
        t = until;
    }
};

// A server that speaks TLS with the certificate given, or plain TCP without.
class MaybeTlsServer : public QTcpServer
{
public:
    QSslCertificate certificate;
    QSslKey key;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        if (certificate.isNull())
            return QTcpServer::incomingConnection(descriptor);
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->startServerEncryption();
        addPendingConnection(socket);
    }
};

// A line-oriented peer on TCP, whose lines can be waited for: a server the
// test plays line by line (a new connection replaces the last), or a person
// in a channel.
struct IrcPeer
{
    MaybeTlsServer server;
    QTcpSocket tcp;
    QPointer<QTcpSocket> socket;
    QByteArray heard; // each line ends in LF
    qsizetype seen = 0;

    quint16 listen()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server,
                         [this] { attach(server.nextPendingConnection()); });
        return server.serverPort();
    }
    bool join(quint16 port, const QByteArray &nick, const QByteArray &channel)
    {
        tcp.abort();
        attach(&tcp);
        tcp.connectToHost(QHostAddress::LocalHost, port);
        if (!tcp.waitForConnected(Patience))
            return false;
        // Some servers refuse a JOIN until they have welcomed the user.
        say("NICK " + nick + "\r\nUSER " + nick + " 0 * :" + nick);
        if (waitFor(" 001 ").isEmpty())
            return false;
        say("JOIN " + channel);
        return !waitFor(" 366 ").isEmpty();
    }
    void attach(QTcpSocket *s)
    {
        socket = s;
        heard.clear();
        seen = 0;
        QObject::connect(s, &QTcpSocket::readyRead, s,
                         [this, s] { heard += s->readAll().replace('\r', ""); });
    }
    void say(const QByteArray &line)
    {
        socket->write(line + "\r\n");
        socket->flush();
    }
    // The next whole line heard that holds text, past those already waited for.
    QByteArray waitFor(const QByteArray &text, int ms = Patience)
    {
        qsizetype at = -1, end = -1;
        const bool found = waitUntil(
            [&] {
                at = heard.indexOf(text, seen);
                end = at < 0 ? -1 : heard.indexOf('\n', at);
                return end >= 0;
            },
            ms);
        EXPECT_TRUE(found) << "never heard " << text.toStdString();
        if (!found)
            return {};
        at = heard.lastIndexOf('\n', at) + 1;
        seen = end + 1;
        return heard.sliced(at, end - at);
    }
    // Each step: wait to hear the first, then say the second.
    void play(const QList<std::pair<QByteArray, QByteArray>> &steps)
    {
        for (const auto &[hear, answer] : steps)
            if (!waitFor(hear).isEmpty())
                say(answer);
    }
};
