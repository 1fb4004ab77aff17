#include "chatclient/chatroom.h"
#include "chatclient/wadapiserver.h"
#include "room/moderation.h"
#include "room/webroom.h"
#include "room/wsframe.h"
#include "support/waituntil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Code = u"KTZRW"_qs;

// A browser's page, as the room sees it, spoken by hand: from a source
// address of its own (many people come from many addresses), with the
// request's Host, Origin and any other lines given, so it can also forge
// headers and break frames.
struct Page
{
    QSslSocket socket;
    QByteArray in;
    QByteArray head; // the answer's status line, once its head is in
    bool closed = false;
    QStringList lines;
    QJsonObject last; // the latest welcome or refusal
    QJsonObject host; // what the room last said of the host
    QList<QJsonObject> statuses;
    qint64 seen = -1;

    Page(quint16 port, int address = 1, QByteArray headers = {}, bool tls = false)
    {
        QObject::connect(&socket, &QSslSocket::readyRead, [this] { read(); });
        QObject::connect(&socket, &QSslSocket::disconnected, [this] { closed = true; });
        QObject::connect(&socket, &QSslSocket::sslErrors, [this] { socket.ignoreSslErrors(); });
        socket.bind(QHostAddress(u"127.0.0.%1"_qs.arg(address)));
        if (tls)
            socket.connectToHostEncrypted(u"127.0.0.1"_qs, port);
        else
            socket.connectToHost(QHostAddress::LocalHost, port);
        if (headers.isNull())
            headers = own(port);
        socket.write("GET /ws HTTP/1.1\r\n" + headers +
                     "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                     "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                     "Sec-WebSocket-Version: 13\r\n\r\n");
    }
    // A page served from origin (none: no Origin at all); "wss": over TLS.
    Page(quint16 port, const QString &origin, const char *scheme = "ws")
        : Page(port, 1,
               "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n" +
                   (origin.isEmpty() ? QByteArray() : "Origin: " + origin.toUtf8() + "\r\n"),
               qstrcmp(scheme, "wss") == 0)
    {}
    // A page that asks to join at once.
    Page(quint16 port, const QString &origin, const QString &name, const QString &code = Code,
         const QString &token = {}, qint64 seen = -1)
        : Page(port, origin)
    {
        join(name, code, token, seen);
    }
    // The Host and Origin of the room's own page.
    static QByteArray own(quint16 port)
    {
        const QByteArray host = "127.0.0.1:" + QByteArray::number(port);
        return "Host: " + host + "\r\nOrigin: http://" + host + "\r\n";
    }
    void read()
    {
        in += socket.readAll();
        if (head.isEmpty()) {
            const qsizetype end = in.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            head = in.left(in.indexOf("\r\n"));
            in.remove(0, end + 4);
        }
        WsFrame::Frame f;
        while (WsFrame::take(in, false, 1 << 20, &f) == WsFrame::Taken::Frame) {
            if (f.op == WsFrame::Text)
                take(f.payload);
        }
    }
    void take(const QByteArray &message)
    {
        const QJsonObject o = QJsonDocument::fromJson(message).object();
        seen = o[u"at"].toInteger(seen);
        if (o[u"type"].toString() == u"line"_qs)
            lines << (o[u"private"].toBool() ? u"(private) "_qs : QString()) +
                         o[u"text"].toString();
        else if (o[u"type"].toString() == u"status"_qs)
            statuses << o;
        else
            (o[u"type"].toString() == u"host"_qs ? host : last) = o;
    }
    QByteArray status()
    {
        waitUntil([&] { return !head.isEmpty() || closed; });
        return head;
    }
    bool upgraded() { return status().startsWith("HTTP/1.1 101 "); }
    void send(const QByteArray &payload, WsFrame::Op op = WsFrame::Text)
    {
        socket.write(WsFrame::encode(op, payload, true, 0x5a17c0de));
    }
    void send(const QJsonObject &o) { send(QJsonDocument(o).toJson(QJsonDocument::Compact)); }
    void join(const QString &name, const QString &code = Code, const QString &token = {},
              qint64 seen = -1)
    {
        // No name: the overlay, which only watches.
        send({{u"type"_qs, name.isNull() ? u"watch"_qs : u"join"_qs},
              {u"name"_qs, name},
              {u"code"_qs, code},
              {u"token"_qs, token},
              {u"seen"_qs, seen}});
    }
    void say(const QString &text, const char *type = "say")
    {
        send({{u"type"_qs, QString::fromLatin1(type)}, {u"text"_qs, text}});
    }
    bool is(const char *type) const { return last[u"type"] == QLatin1String(type); }
    bool welcomed()
    {
        return waitUntil([&] { return is("welcome") || closed; }) && !closed;
    }
    bool told(const QString &reg)
    {
        return waitUntil([&] { return host[u"reg"] == reg && host[u"name"] == u"Ann Lee"_qs; });
    }
    bool sees(const QString &line)
    {
        return waitUntil([&] { return lines.contains(line); });
    }
    bool dropped()
    {
        return waitUntil([&] { return closed; });
    }
};

// A bare connection from 127.0.0.address: no page behind it, no request.
std::unique_ptr<QTcpSocket> bare(quint16 port, int address)
{
    auto s = std::make_unique<QTcpSocket>();
    s->bind(QHostAddress(u"127.0.0.%1"_qs.arg(address)));
    s->connectToHost(QHostAddress::LocalHost, port);
    return s;
}

// Breaks a frame: one masked frame whose header claims length; whether the
// room then closes the connection.
bool closesOn(quint16 port, int opcode, const QByteArray &payload, quint64 length)
{
    Page page(port);
    page.status();
    QByteArray f(1, char(0x80 | opcode));
    if (length < 126) {
        f += char(0x80 | length);
    } else {
        f += char(0x80 | 127);
        for (int i = 7; i >= 0; --i)
            f += char(length >> (8 * i));
    }
    f += QByteArray(4, '\0'); // a zero mask leaves the payload as it is
    page.socket.write(f + payload);
    return waitUntil([&] { return page.closed; });
}

struct WebRoomTest : ::testing::Test
{
    ChatRoom room{u"Ann Lee"_qs};
    std::unique_ptr<WebRoom> web;
    QStringList reports;
    QString origin;
    quint16 port = 0;

    WebRoomTest()
    {
        QString error;
        web = openWebRoom(room, {u"127.0.0.1:0"_qs, Code, {}, {}, {}, {}}, &error);
        EXPECT_TRUE(web) << error.toStdString();
        port = web->front.port();
        origin = u"http://127.0.0.1:%1"_qs.arg(port);
        web->people.nameTaken = [](const QString &n) { return n == u"Levi"_qs; };
        const auto keep = [this](const QString &l) { reports << l; };
        QObject::connect(&web->people, &WebPeople::report, keep);
        QObject::connect(&web->front, &WebFront::report, keep);
    }
    bool roomHas(const QString &line)
    {
        return waitUntil([&] { return room.textSince(0).split(u"\r\n"_qs).contains(line); });
    }
    bool reported(const QString &text)
    {
        return waitUntil([&] { return !reports.filter(text).isEmpty(); });
    }
};

} // namespace

TEST_F(WebRoomTest, PeopleJoinWithTheCodeTalkAndComeBack)
{
    web->people.limits.joinBurst = 20;
    web->people.setRegChar(u"$"_qs); // the program said it before anyone came
    // Another site's page, or none, does not get in.
    for (const QString &other : {u"http://evil.example"_qs, QString()})
        EXPECT_TRUE(Page(port, other).dropped()) << other.toStdString();
    Page bo(port, origin, u"Bo Reed"_qs, u"ktzrw"_qs);
    ASSERT_TRUE(bo.welcomed());
    EXPECT_TRUE(bo.sees(u"Welcome to the room!"_qs)) << "the recent lines";
    EXPECT_TRUE(bo.told(u"$"_qs));
    Page wrong(port, origin, u"Cy"_qs, u"KTZRX"_qs);
    ASSERT_TRUE(wrong.dropped());
    EXPECT_EQ(wrong.last[u"why"].toString(), u"That is not this room's code."_qs);
    EXPECT_TRUE(wrong.lines.isEmpty()) << "nothing of the room";

    for (const QString &name : {u"ann lee"_qs, u"bo reed"_qs, u"Levi"_qs, u"ESP from Bo"_qs,
                                u"A23456789012345678901"_qs, u"<b>:x"_qs}) {
        Page p(port, origin, name);
        EXPECT_TRUE(p.dropped()) << name.toStdString();
        EXPECT_FALSE(p.last[u"why"].toString().isEmpty());
    }
    Page cy(port, origin, u"Cy"_qs);
    ASSERT_TRUE(cy.welcomed());
    // One line, as typed: no second line, no markup taken for anything.
    bo.say(u"<img src=x onerror=alert(1)> &amp;\r\nAnn Lee: I win"_qs);
    EXPECT_TRUE(cy.sees(u"Bo Reed: <img src=x onerror=alert(1)> &amp;Ann Lee: I win"_qs));
    bo.say(u"my answer"_qs, "esp");
    EXPECT_TRUE(roomHas(u"ESP from Bo Reed: my answer"_qs));
    EXPECT_TRUE(bo.sees(u"(private) ESP to Ann Lee: my answer"_qs));
    web->people.espFromHost(u"Bo Reed"_qs, u"You are registered"_qs);
    EXPECT_TRUE(bo.sees(u"(private) ESP from Ann Lee: You are registered"_qs));
    EXPECT_TRUE(cy.lines.filter(u"ESP"_qs).isEmpty()) << "others' ESPs stay private";

    // The game's status, once per change, cut to the caps, names as text, to
    // the pages in the room and a watcher; nothing to a page without the code.
    WadapiServer server(room);
    web->follow(server);
    Page watcher(port, origin, QString()), idle(port, origin);
    ASSERT_TRUE(reported(u"watches the game"_qs));
    const QString hostile = u"<img src=x onerror=alert(1)>"_qs;
    GameStatus status(GameStatus::Phase::Won, 2, 10, u"G -- R"_qs, QList<QString>(12, hostile), 11,
                      9, 15, {{hostile, hostile}}, {{QString(100, u'x'), 3}});
    for (int seconds : {9, 9, 8}) {
        status.secondsLeft = seconds;
        emit server.gameStatus(status);
    }
    for (Page *p : {&cy, &watcher})
        ASSERT_TRUE(
            waitUntil([p] { return p->statuses.size() == 2 && p->statuses[1][u"seconds"] == 8; }));
    const QJsonObject got = watcher.statuses[0];
    EXPECT_EQ(got[u"called"].toArray().size(), GameStatusCap::Called);
    EXPECT_EQ(got[u"up"], -1) << "past the players sent";
    EXPECT_EQ(got[u"winners"][0][u"box"], hostile);
    EXPECT_EQ(got[u"leaders"][0][u"name"].toString().size(), GameStatusCap::Text);
    emit server.programLeft();
    ASSERT_TRUE(waitUntil([&] { return watcher.statuses.size() == 3; }));
    EXPECT_EQ(watcher.statuses[2],
              (QJsonObject{{u"type"_qs, u"status"_qs}, {u"phase"_qs, u"away"_qs}}));

    // A break: the name is held, what was said meanwhile comes back with it.
    const QString token = bo.last[u"token"].toString();
    bo.socket.abort();
    room.say(u"Ann Lee"_qs, u"while you were away"_qs);
    web->people.setRegChar(u"\u00B0"_qs);
    EXPECT_TRUE(cy.told(u"\u00B0"_qs));
    Page thief(port, origin, u"Bo Reed"_qs, Code, u"guess"_qs);
    EXPECT_TRUE(thief.dropped()) << "the name is held for its owner";
    Page back(port, origin, u"Bo Reed"_qs, Code, token, bo.seen);
    ASSERT_TRUE(back.welcomed());
    EXPECT_TRUE(back.last[u"back"].toBool());
    EXPECT_TRUE(back.told(u"\u00B0"_qs)) << "the change made while away";
    EXPECT_TRUE(back.sees(u"Ann Lee: while you were away"_qs));
    EXPECT_TRUE(waitUntil([&] { return back.statuses.size() == 1; })) << "the newest, once back";
    EXPECT_EQ(back.statuses[0][u"phase"], u"away"_qs);
    EXPECT_FALSE(room.textSince(0).contains(u"Bo Reed has left"_qs));
    back.send({{u"type"_qs, u"leave"_qs}});
    EXPECT_TRUE(roomHas(u"Bo Reed has left the room."_qs));
    EXPECT_TRUE(reported(u"Bo Reed came back."_qs));
    EXPECT_EQ(web->people.names(), QStringList{u"Cy"_qs});
    EXPECT_TRUE(watcher.lines.isEmpty() && idle.statuses.isEmpty());
    watcher.say(u"hello"_qs);
    EXPECT_TRUE(watcher.dropped()) << "a watcher says nothing";
}

// Floods, frames the page never sends, a storm of connections and a fight
// over one name: each is cut off with its line, and the room goes on.
TEST_F(WebRoomTest, HostileClientsAreCutOffAndTheRoomGoesOn)
{
    web->people.limits.joinsPerSecond = 0;
    Page flood(port, origin, u"Flo"_qs);
    ASSERT_TRUE(flood.welcomed());
    for (int i = 0; i < 50; ++i)
        flood.say(u"spam"_qs);
    EXPECT_TRUE(flood.dropped());
    EXPECT_LE(room.textSince(0).count(u"Flo: spam"_qs), 10);
    EXPECT_TRUE(reported(u"Flo flooded the room; dropped."_qs));
    EXPECT_EQ(flood.last[u"why"].toString(), u"Flo flooded the room; dropped."_qs)
        << "the page does not come back by itself";

    const std::tuple<int, QByteArray, quint64> cases[] = {
        {0x1, QByteArray(4000, 'x'), 4000},   // over the frame limit
        {0x1, "{\"type", 1ull << 40},         // an endless frame
        {0x2, "\x01\x02", 2},                 // binary
        {0x1, "{\"text\":\"\xC3\x28\"}", 13}, // bad UTF-8
    };
    for (const auto &[opcode, payload, length] : cases)
        EXPECT_TRUE(closesOn(port, opcode, payload, length)) << opcode << " " << length;

    // A thousand connections, in waves past the cap, from seven addresses
    // each under its own cap: it holds, the rest are refused, and all of
    // them are freed.
    for (int wave = 0; wave < 4; ++wave) {
        std::vector<std::unique_ptr<QTcpSocket>> storm;
        for (int i = 0; i < 250; ++i)
            storm.push_back(bare(port, 2 + i % 7));
        EXPECT_TRUE(waitUntil([&] { return web->front.connections() == 200; }))
            << wave << " " << web->front.connections();
        storm.clear();
        EXPECT_TRUE(waitUntil([&] { return web->front.connections() == 0; })) << wave;
    }
    EXPECT_TRUE(reported(u"web clients were turned away: the room takes 200 connections"_qs));
    // One address holds 40, this machine's too.
    std::vector<std::unique_ptr<QTcpSocket>> one;
    for (int i = 0; i < 45; ++i)
        one.push_back(bare(port, 9));
    EXPECT_TRUE(waitUntil([&] {
        return std::ranges::count_if(
                   one, [](auto &s) { return s->state() == QAbstractSocket::UnconnectedState; }) ==
                   5 &&
               web->front.connections() == 40;
    })) << web->front.connections();
    one.clear();

    // Nine pages want one name: one gets it.
    std::vector<std::unique_ptr<Page>> fight;
    for (int i = 0; i < 9; ++i)
        fight.push_back(std::make_unique<Page>(port, origin));
    for (auto &p : fight)
        p->join(u"Zed"_qs);
    EXPECT_TRUE(waitUntil([&] {
        return std::ranges::all_of(fight, [](auto &p) { return p->closed || !p->last.isEmpty(); });
    }));
    EXPECT_EQ(std::ranges::count_if(
                  fight, [](auto &p) { return p->last[u"type"].toString() == u"welcome"_qs; }),
              1);
    // The address has used its joins: the next is held back, once reported.
    Page late(port, origin, u"Late"_qs);
    ASSERT_TRUE(late.dropped());
    EXPECT_TRUE(late.last[u"why"].toString().startsWith(u"Too many tries"_qs));
    EXPECT_TRUE(reported(u"Too many joins from"_qs));

    for (auto &p : fight) {
        if (!p->closed)
            p->say(u"still here"_qs);
    }
    EXPECT_TRUE(roomHas(u"Zed: still here"_qs)) << "the room goes on";
}

// Behind a trusted proxy the limits hold for the client its header names,
// and the page it serves under a public origin may join.
TEST_F(WebRoomTest, BehindAProxyItsClientsAreCounted)
{
    web->front.trustedProxies = {QHostAddress(u"::ffff:127.0.0.1"_qs)};
    web->front.origins = {u"https://quiz.example.org"_qs};
    const QByteArray proxied = "Host: quiz.example.org\r\nOrigin: https://quiz.example.org\r\n";
    // The proxy's own connections are its clients': one client holds 40,
    // whatever it wrote left of what the proxy added.
    const QByteArray client = proxied + "X-Forwarded-For: 198.51.100.7\r\n";
    std::vector<std::unique_ptr<Page>> held;
    for (int i = 0; i < web->front.maxPerAddress; ++i) {
        held.push_back(std::make_unique<Page>(port, 1, client));
        ASSERT_TRUE(held.back()->upgraded()) << i;
    }
    Page over(port, 1, proxied + "X-Forwarded-For: 203.0.113.9, 198.51.100.7\r\n");
    EXPECT_TRUE(waitUntil([&] { return over.last[u"why"] == WebFront::TooManyFromAddress; }));
    EXPECT_TRUE(reported(u"turned away: one address may hold 40 connections at once."_qs));
    // Another client of the proxy gets in, and the console names it.
    const QByteArray wrongCode = R"({"type":"join","name":"Cy","code":"KTZRX"})";
    Page other(port, 1, proxied + "X-Forwarded-For: 198.51.100.8\r\n");
    ASSERT_TRUE(other.upgraded());
    other.send(wrongCode);
    EXPECT_TRUE(reported(u"A web client (198.51.100.8) gave a wrong room code."_qs));
    // A peer that is no proxy is itself, whatever it forges.
    Page direct(port, 2, Page::own(port) + "X-Forwarded-For: 198.51.100.7\r\n");
    ASSERT_TRUE(direct.upgraded());
    direct.send(wrongCode);
    EXPECT_TRUE(reported(u"A web client (127.0.0.2) gave a wrong room code."_qs));
    held.clear();
    EXPECT_TRUE(waitUntil([&] { return web->front.connections() <= 2; }));
    EXPECT_TRUE(Page(port, 1, client).upgraded()) << "the client's count went down";

    // A page of the public origin, whatever the proxy's Host; no other.
    for (const QByteArray origin : {"https://quiz.example.org", "HTTPS://Quiz.Example.org:443/"})
        EXPECT_TRUE(
            Page(port, 1, "Host: quiz.example.org\r\nOrigin: " + origin + "\r\n").upgraded())
            << origin.data();
    for (const QByteArray origin : {"http://quiz.example.org", "https://quiz.example.org:8443",
                                    "https://quiz.example.org.evil.example", "null", ""})
        EXPECT_EQ(Page(port, 1, "Host: quiz.example.org\r\nOrigin: " + origin + "\r\n").status(),
                  "HTTP/1.1 403 Forbidden")
            << origin.data();
}

// --trust-proxy takes addresses, --origin a page's address alone.
TEST(WebRoomOptions, ProxiesAndOriginsAreCheckedAndNormalised)
{
    ChatRoom room{u"Ann Lee"_qs};
    QString error;
    const auto web = openWebRoom(room,
                                 {u"127.0.0.1:0"_qs,
                                  Code,
                                  {},
                                  {},
                                  {u"127.0.0.1"_qs, u"::1"_qs},
                                  {u"HTTPS://Quiz.Example.org:443/"_qs, u"http://[::1]:8080"_qs,
                                   u"http://b\u00FCcher.example"_qs}},
                                 &error);
    ASSERT_TRUE(web) << error.toStdString();
    EXPECT_EQ(web->front.origins,
              (QStringList{u"https://quiz.example.org"_qs, u"http://[::1]:8080"_qs,
                           u"http://xn--bcher-kva.example"_qs}));
    EXPECT_EQ(web->front.trustedProxies,
              (QList<QHostAddress>{QHostAddress::LocalHost, QHostAddress::LocalHostIPv6}));
    for (const QString &bad :
         {u"quiz.example.org"_qs, u"ftp://quiz.example.org"_qs, u"https://quiz.example.org/room"_qs,
          u"https://a@quiz.example.org"_qs, u"https://quiz.example.org?x"_qs,
          u"https://quiz.example.org#x"_qs, u"https://"_qs, u"https://quiz.example.org:99999"_qs}) {
        EXPECT_FALSE(openWebRoom(room, {u"0"_qs, Code, {}, {}, {}, {bad}}, &error));
        EXPECT_TRUE(error.startsWith(u"--origin takes"_qs)) << error.toStdString();
    }
    for (const QString &bad : {u"localhost"_qs, u"127.0.0.0/8"_qs, u"fe80::1%eth0"_qs, QString()}) {
        EXPECT_FALSE(openWebRoom(room, {u"0"_qs, Code, {}, {}, {bad}, {}}, &error));
        EXPECT_TRUE(error.startsWith(u"--trust-proxy takes"_qs)) << error.toStdString();
    }
}

// A room with a self-signed certificate of its own.
struct WebRoomTls : ::testing::Test
{
    QTemporaryDir dir;
    ChatRoom room{u"Ann Lee"_qs};
    std::unique_ptr<WebRoom> web;
    quint16 port = 0;

    WebRoomTls()
    {
        const QString cert = dir.filePath(u"cert.pem"_qs), key = dir.filePath(u"key.pem"_qs);
        EXPECT_EQ(QProcess::execute(u"openssl"_qs,
                                    u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes "
                                    "-days 1 -subj /CN=localhost"_qs.split(u' ') +
                                        QStringList{u"-keyout"_qs, key, u"-out"_qs, cert}),
                  0);
        QString error;
        web = openWebRoom(room, {u"0"_qs, Code, cert, key, {}, {}}, &error);
        EXPECT_TRUE(web) << error.toStdString();
        port = web ? web->front.port() : 0;
    }
};

// With a certificate the page and its socket are served over TLS only. Held
// or aborted handshakes are connections like any other: counted, each with
// its deadline, freed when they go; the port keeps taking players.
TEST_F(WebRoomTls, PeopleJoinOverTlsAndHandshakesHoldNoPlace)
{
    const QString origin = u"https://127.0.0.1:%1"_qs.arg(port);
    EXPECT_EQ(
        web->banner().first(),
        u"People join in a browser at https://127.0.0.1:%1/#KTZRW with the room code KTZRW"_qs.arg(
            port));
    Page plain(port, u"http://127.0.0.1:%1"_qs.arg(port));
    EXPECT_TRUE(plain.dropped());
    // Connections that never start or never finish their handshake, 34 to an address.
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 100; ++i)
        held.push_back(bare(port, 2 + i / 34));
    ASSERT_TRUE(waitUntil([&] { return web->front.connections() == 100; }));
    const QTime started = QTime::currentTime();
    Page bo(port, origin, "wss");
    bo.join(u"Bo"_qs);
    ASSERT_TRUE(bo.welcomed());
    EXPECT_LT(started.msecsTo(QTime::currentTime()), 2000);
    room.say(u"Ann Lee"_qs, u"over TLS"_qs);
    EXPECT_TRUE(bo.sees(u"Ann Lee: over TLS"_qs));
    held.clear();
    for (int wave = 0; wave < 3; ++wave) {
        for (int i = 0; i < 100; ++i) {
            held.push_back(bare(port, 2 + i / 34));
            held.back()->write("\x16\x03\x01 not a handshake");
        }
        held.clear();
    }
    EXPECT_TRUE(waitUntil([&] { return web->front.connections() == 1; }));
    Page cy(port, origin, "wss");
    cy.join(u"Cy"_qs);
    EXPECT_TRUE(cy.welcomed());
}

// What the room queues for a page is bounded and judged fairly: a ping
// flood ends its connection, a crowd saying their lines at once cuts off
// nobody who reads, and one who comes back after a busy spell gets it all.
TEST_F(WebRoomTest, QueuesAreBoundedAndReadersKeptFairly)
{
    for (bool reads : {false, true}) {
        Page pinger(port, 2);
        ASSERT_TRUE(pinger.upgraded());
        if (!reads)
            QObject::disconnect(&pinger.socket, &QSslSocket::readyRead, nullptr, nullptr);
        for (int i = 0; i < 1000; ++i)
            pinger.send(QByteArray(125, 'p'), WsFrame::Ping);
        EXPECT_TRUE(waitUntil([&] { return pinger.closed; })) << reads;
    }
    EXPECT_TRUE(reported(u"flooded the room with control frames; dropped."_qs));
    reports.clear();

    // Thirty people from thirty addresses say ten lines each at once.
    std::vector<std::unique_ptr<Page>> crowd;
    for (int i = 0; i < 30; ++i) {
        crowd.push_back(std::make_unique<Page>(port, 10 + i));
        crowd.back()->join(u"P%1"_qs.arg(i));
    }
    ASSERT_TRUE(waitUntil(
        [&] { return std::ranges::all_of(crowd, [](auto &p) { return p->is("welcome"); }); }));
    for (int i = 0; i < 30; ++i) {
        for (int n = 0; n < 10; ++n)
            crowd[i]->say(u"%1 says %2 %3"_qs.arg(i).arg(n).arg(QString(180, u'x')));
    }
    EXPECT_TRUE(waitUntil(
        [&] {
            return std::ranges::all_of(
                crowd, [](auto &p) { return p->lines.filter(u" says "_qs).size() == 300; });
        },
        10000));
    EXPECT_TRUE(reports.filter(u"dropped"_qs).isEmpty() && reports.filter(u"read"_qs).isEmpty())
        << reports.join(u'\n').toStdString();

    // One who stops reading is let go as if the connection broke: the name
    // waits for its token.
    crowd.clear();
    Page slow(port, 3);
    slow.socket.setReadBufferSize(4096);
    slow.socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    slow.join(u"Slo"_qs);
    ASSERT_TRUE(slow.welcomed());
    QObject::disconnect(&slow.socket, &QSslSocket::readyRead, nullptr, nullptr);
    const QString slowToken = slow.last[u"token"].toString();
    for (int n = 0; n < 400 && reports.filter(u"Slo did not"_qs).isEmpty(); ++n) {
        for (int line = 0; line < 100; ++line)
            room.say(u"Ann Lee"_qs, QString(190, u'z'));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(reported(u"Slo did not read what the room sent; the name is kept"_qs));
    Page thief(port, origin, u"Slo"_qs);
    EXPECT_TRUE(thief.dropped());
    Page slowBack(port, origin, u"Slo"_qs, Code, slowToken);
    EXPECT_TRUE(slowBack.welcomed());

    // Away for a busy spell of 400 long lines: back with it all, in order.
    Page bo(port, origin, u"Bo"_qs);
    ASSERT_TRUE(bo.welcomed());
    const QString token = bo.last[u"token"].toString();
    bo.socket.abort();
    for (int n = 0; n < 400; ++n)
        room.say(u"Ann Lee"_qs, u"%1 %2"_qs.arg(n, 3, 10, QChar(u'0')).arg(QString(190, u'y')));
    Page back(port, origin, u"Bo"_qs, Code, token, bo.seen);
    ASSERT_TRUE(back.welcomed());
    ASSERT_TRUE(waitUntil([&] { return back.lines.filter(u"Ann Lee: "_qs).size() >= 400; }, 10000))
        << back.lines.size();
    const QStringList heard = back.lines.filter(u"Ann Lee: "_qs);
    EXPECT_TRUE(std::ranges::is_sorted(heard));
    EXPECT_FALSE(back.closed);
}

// A name belongs to its token, and a later holder of a name learns nothing
// of the earlier one's private lines.
TEST_F(WebRoomTest, ANameIsItsHoldersAlone)
{
    web->people.espFromHost(u"Zed"_qs, u"for nobody yet"_qs);
    Page first(port, origin, u"Zed"_qs);
    ASSERT_TRUE(first.welcomed());
    first.say(u"my secret answer"_qs, "esp");
    ASSERT_TRUE(roomHas(u"ESP from Zed: my secret answer"_qs));
    first.send({{u"type"_qs, u"leave"_qs}});
    ASSERT_TRUE(roomHas(u"Zed has left the room."_qs));

    Page later(port, origin, u"Zed"_qs);
    ASSERT_TRUE(later.welcomed());
    const QString token = later.last[u"token"].toString();
    later.socket.abort();
    // Whatever it claims to have seen, even past the end of numbers.
    for (qint64 seen : {qint64(-1), std::numeric_limits<qint64>::max(), qint64(-5)}) {
        Page back(port, origin, u"Zed"_qs, Code, token, seen);
        ASSERT_TRUE(back.welcomed()) << seen;
        room.say(u"Ann Lee"_qs, u"after the replay"_qs);
        EXPECT_TRUE(back.sees(u"Ann Lee: after the replay"_qs));
        EXPECT_TRUE(back.lines.filter(u"secret"_qs).isEmpty()) << seen;
        EXPECT_TRUE(back.lines.filter(u"for nobody"_qs).isEmpty()) << seen;
        back.socket.abort();
        ASSERT_TRUE(back.dropped());
    }
}

// Guessing the code is slow, costs the console a line a minute, and never
// keeps out the one with the right code; a page past a cap is told why.
TEST_F(WebRoomTest, WrongCodesAndCapsAreRefusedWithReasons)
{
    QStringList answers;
    for (int i = 0; i < 8; ++i) {
        Page guess(port, 7);
        guess.join(u"G%1"_qs.arg(i), u"ABCDE"_qs);
        ASSERT_TRUE(waitUntil([&] { return guess.is("refused"); }));
        answers << guess.last[u"why"].toString();
    }
    EXPECT_EQ(answers.count(u"That is not this room's code."_qs), 5)
        << answers.join(u'|').toStdString();
    EXPECT_TRUE(answers.last().startsWith(u"Too many tries"_qs));
    EXPECT_EQ(reports.filter(u"gave a wrong room code"_qs).size(), 1);
    Page right(port, 7);
    right.join(u"Gwen"_qs);
    EXPECT_TRUE(waitUntil([&] { return right.last[u"name"] == u"Gwen"_qs; }));

    web->front.maxPerAddress = 3;
    std::vector<std::unique_ptr<Page>> three;
    for (int i = 0; i < 3; ++i)
        three.push_back(std::make_unique<Page>(port, 8));
    ASSERT_TRUE(waitUntil([&] { return web->front.connections() == 4; }));
    Page fourth(port, 8);
    EXPECT_TRUE(waitUntil([&] { return fourth.last[u"why"] == WebFront::TooManyFromAddress; }));
    web->front.maxConnections = 4;
    Page other(port, 9);
    EXPECT_TRUE(waitUntil([&] { return other.last[u"why"] == WebFront::RoomFull; }));
    EXPECT_TRUE(waitUntil([&] { return fourth.closed && other.closed; }));
}

// The host's order on the web: a muted person's lines reach their own page
// alone; no line or ESP from the room moderates; a kicked page is told why;
// a ban keeps out the name, the page's token and the forwarded address.
TEST_F(WebRoomTest, TheHostMutesKicksAndBansPages)
{
    web->front.trustedProxies = {QHostAddress(u"::ffff:127.0.0.1"_qs)};
    RoomModeration mod(room);
    qint64 now = 0;
    mod.now = [&] { return now; };
    WebPeople &pages = web->people;
    mod.addDoor({[&](const QString &n) { return pages.member(n); },
                 [&](const QString &n, const QString &why) { pages.remove(n, why); }});
    pages.refusal = [&](const QString &n, const QString &t, const QString &a) {
        return mod.refusal(n, t, a);
    };
    // Through the proxy from one client, or straight from another address.
    const auto page = [&](const QString &name, int client, const QString &token = {}) {
        auto p = std::make_unique<Page>(port, client ? 1 : 2,
                                        Page::own(port) + "X-Forwarded-For: 198.51.100." +
                                            QByteArray::number(client) + "\r\n");
        p->join(name, Code, token);
        return p;
    };
    auto bo = page(u"Bo"_qs, 7), cy = page(u"Cy"_qs, 0);
    ASSERT_TRUE(bo->welcomed() && cy->welcomed());
    EXPECT_TRUE(mod.carryOut({ModAction::Mute, u"bo"_qs, 10, {}}).done);
    bo->say(u"spam"_qs);
    bo->say(u"psst"_qs, "esp");
    cy->say(u"/kick Bo"_qs);
    cy->say(u"/ban Bo"_qs, "esp");
    EXPECT_TRUE(bo->sees(u"Bo: spam"_qs) && bo->sees(u"(private) ESP to Ann Lee: psst"_qs));
    EXPECT_TRUE(bo->sees(u"Cy: /kick Bo"_qs) && roomHas(u"ESP from Cy: /ban Bo"_qs));
    EXPECT_FALSE(room.textSince(0).contains(u"spam"_qs) || room.textSince(0).contains(u"psst"_qs));
    now += 10 * 60000;
    bo->say(u"sorry"_qs);
    EXPECT_TRUE(cy->sees(u"Bo: sorry"_qs) && !cy->lines.contains(u"Bo: spam"_qs));

    EXPECT_TRUE(mod.carryOut({ModAction::Kick, u"Cy"_qs, 0, u"rude"_qs}).done);
    EXPECT_TRUE(cy->dropped());
    EXPECT_EQ(cy->last[u"why"], u"Cy was removed from the room by the host. Reason: rude"_qs);
    const QString token = bo->last[u"token"].toString();
    EXPECT_TRUE(mod.carryOut({ModAction::Ban, u"Bo"_qs, 0, u"spam"_qs}).done);
    EXPECT_TRUE(bo->dropped());
    // Back by reconnecting: the name from the same address, another name
    // from it, the token under another name, a look-alike name.
    for (const auto &back : {page(u"Bo"_qs, 7, token), page(u"Dee"_qs, 7),
                             page(u"Eve"_qs, 0, token), page(u"B0"_qs, 0)})
        EXPECT_FALSE(back->welcomed());
    EXPECT_TRUE(page(u"Dee"_qs, 8)->welcomed());
    EXPECT_TRUE(mod.carryOut({ModAction::Unban, u"BO"_qs, 0, {}}).done);
    EXPECT_TRUE(page(u"Bo"_qs, 7)->welcomed()) << "unbanned: name, token and address";
}
