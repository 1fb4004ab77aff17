#include "support/fakechat.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"
#include "transport/frame.h"
#include "transport/socketwadapi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

const QString App = u"orvella"_qs;

// Lines go both ways and later ones arrive while events run; one program
// at a time is linked, on status 0, and a client that goes away is told once.
TEST(SocketWadapiRoom, LinesGoBothWaysOneProgramAtATimeAndAGoneClientIsToldOnce)
{
    // The link against the stand-in chat client, run as a child process.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"w.sock"_qs);
    RoomProcess room;
    RecordedCalls calls;
    SocketWadapi wadapi{path};
    ASSERT_TRUE(room.start(path, {u"--host"_qs, u"Ann Lee"_qs}));
    ASSERT_EQ(wadapi.InitDDE(App, &calls), 0);
    // Types a console line and waits until the room has taken it.
    const auto type = [&](const QString &line, const QString &ack) {
        room.type(line);
        ASSERT_TRUE(room.waitForLine(ack)) << line.toStdString();
    };
    // The client names the host as the link comes up, ahead of its status.
    EXPECT_EQ(calls.all,
              QByteArrayList({"E:host|0|Ann Lee", "E:live|0|", "E:status|0|", "E:moderate|0|"}));
    // A notice or a status is not answered; a registration character of too
    // many bytes is none, a malformed status costs only itself.
    wadapi.DapiGameStatus("phase=lost\r\n");
    EXPECT_TRUE(room.waitForLine(u"malformed game status of 12 bytes; ignored."_qs));
    wadapi.DapiNotice("reg", "\xB0");
    EXPECT_TRUE(room.waitForLine(u"The host's registration character is <relax>."_qs));
    wadapi.DapiNotice("reg", "12345");
    EXPECT_TRUE(room.waitForLine(u"registration character of 5 bytes; ignored."_qs));
    type(u"Bo: °° fünf €"_qs, u"Bo: °° fünf €"_qs);
    // A new link first gets the recent lines.
    calls.all.clear();
    wadapi.DapiGetAllText(App);
    ASSERT_TRUE(waitUntil([&] { return calls.all.size() > 1; })); // the text follows the status
    EXPECT_EQ(calls.all.value(0), "S:0");
    const QByteArray text = calls.all.value(1).mid(2);
    EXPECT_TRUE(text.endsWith("\r\nBo: \xB0\xB0 f\xFCnf \x80"));

    calls.all.clear();
    wadapi.DapiGetAllText(App);
    EXPECT_EQ(calls.all, QByteArrayList({"S:0"})) << "nothing new yet";
    type(u"Bo: late"_qs, u"Bo: late"_qs);
    type(u"/event 7 the door opens"_qs, u"Event 7 sent"_qs);
    EXPECT_TRUE(waitUntil([&] { return calls.all.size() == 3; }));
    EXPECT_EQ(calls.all, QByteArrayList({"S:0", "T:Bo: late", "E:event|7|the door opens"}));

    // One program at a time.
    SocketWadapi second(path);
    EXPECT_NE(second.InitDDE(App, &calls), 0);
    EXPECT_TRUE(wadapi.connected());

    // Nothing runs when the client drops the link: the program hears at once.
    type(u"/drop"_qs, u"Connection to the program closed."_qs);
    EXPECT_TRUE(waitUntil([&] { return calls.gone > 0; }));
    EXPECT_FALSE(wadapi.connected());

    // A callback may end the link from inside the frame reader; a link the
    // program closes is no news.
    ASSERT_EQ(wadapi.InitDDE(App, &calls), 0);
    calls.onEvent = [&] { wadapi.KillDDE(); };
    type(u"/event 7 bye"_qs, u"Event 7 sent"_qs);
    EXPECT_TRUE(waitUntil([&] { return !wadapi.connected(); }));
    calls.onEvent = nullptr;

    // The unregistration reaches the client before the link closes.
    ASSERT_EQ(wadapi.InitDDE(App, &calls), 0);
    wadapi.DapiUnregister(App);
    wadapi.KillDDE();
    EXPECT_TRUE(room.waitForLine(u"orvella unregistered."_qs));
    EXPECT_EQ(calls.gone, 1);

    // Linking up needs status 0.
    wadapi.setReplyTimeout(300ms);
    type(u"/status 7"_qs, u"Queued"_qs);
    EXPECT_EQ(wadapi.InitDDE(App, &calls), SocketWadapi::Refused);
    type(u"/silent"_qs, u"Queued"_qs);
    EXPECT_EQ(wadapi.InitDDE(App, &calls), SocketWadapi::NoAnswer);
    EXPECT_FALSE(wadapi.connected());

    // A client that is gone ends the requests at once: with a reply time-out
    // beyond the test's own, they return only because the link is down.
    ASSERT_EQ(wadapi.InitDDE(App, &calls), 0);
    wadapi.setReplyTimeout(1h);
    room.kill();
    wadapi.DapiCommunicate(App, 0, {}, "anyone?");
    wadapi.DapiGetAllText(App);
    EXPECT_FALSE(wadapi.connected());
    EXPECT_EQ(wadapi.InitDDE(App, &calls), SocketWadapi::NoClient);
    EXPECT_EQ(calls.gone, 2);
}

// A client that writes raw bytes from the program's own event loop, which
// keeps running while a status is awaited: a status that comes after the
// request gave up; live copies ahead of a status, which go to their own
// callback in order and neither answer the request nor join its text; then
// bytes that are no frame at all.
TEST(SocketWadapiRawClient, ALateStatusAnswersNothingLiveCopiesGoApartAndGarbageEndsTheLink)
{
    QTemporaryDir dir;
    QLocalServer server;
    ASSERT_TRUE(server.listen(dir.filePath(u"raw.sock"_qs)));
    const QByteArray text("Bo: \xB0\0\r\n", 8);
    QByteArrayList answers = {
        encodeFrame(Frame::event("live", 0, {})) + encodeFrame(Frame::status("0")),
        {},
        encodeFrame(Frame::live(text)) + encodeFrame(Frame::live("Cy: x\r\n")) +
            encodeFrame(Frame::status("0")) + encodeFrame(Frame::chatText("Bo: game")),
        "\xff\xff\xff\xff not a frame"};
    QLocalSocket *client = nullptr;
    FrameDecoder in;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        client = server.nextPendingConnection();
        QObject::connect(client, &QLocalSocket::readyRead, [&] {
            in.feed(client->readAll());
            while (in.next() && !answers.isEmpty())
                client->write(answers.takeFirst());
        });
    });
    SocketWadapi wadapi(server.fullServerName());
    RecordedCalls calls;
    EXPECT_EQ(wadapi.InitDDE(App, &calls), 0);
    wadapi.setReplyTimeout(100ms);
    wadapi.DapiGetAllText(App); // left unanswered
    ASSERT_NE(client, nullptr);
    client->write(encodeFrame(Frame::status("7")));
    client->flush();
    QCoreApplication::processEvents(); // as the program's waits do between requests
    wadapi.setReplyTimeout(5s);
    wadapi.DapiGetAllText(App);
    ASSERT_TRUE(waitUntil([&] { return calls.all.size() >= 5; }));
    EXPECT_EQ(calls.all,
              QByteArrayList({"E:live|0|", "L:" + text, "L:Cy: x\r\n", "S:0", "T:Bo: game"}));
    wadapi.DapiGetAllText(App);
    EXPECT_FALSE(wadapi.connected());
    EXPECT_TRUE(wadapi.lastError().contains(u"protocol"_qs)) << wadapi.lastError().toStdString();
}

// Whoever listens first at the path would get the host's lines and could feed
// the program any room: a chat client of another user is refused before it
// hears a word.
TEST(SocketWadapiPeer, AChatClientOfAnotherUserIsRefused)
{
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::Permissions::fromInt(0x7777));
    const QString path = dir.filePath(u"w.sock"_qs);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    QString why;
    const pid_t child = forkAsNobody(
        [&] {
            const int fd = listenForAnyone(QFile::encodeName(path));
            if (fd < 0 || ::write(ready[1], "!", 1) != 1)
                return 3;
            const int peer = ::accept(fd, nullptr, nullptr);
            QByteArray got;
            return peer >= 0 && readToEnd(peer, &got) && got.isEmpty() ? 0 : 2;
        },
        &why);
    ::close(ready[1]);
    const auto closeReady = qScopeGuard([&] { ::close(ready[0]); });
    if (!child)
        GTEST_SKIP() << why.toStdString();
    pollfd p{ready[0], POLLIN, 0};
    char byte = 0;
    ASSERT_TRUE(::poll(&p, 1, 10000) == 1 && ::read(ready[0], &byte, 1) == 1);

    RecordedCalls calls;
    SocketWadapi program(path);
    EXPECT_EQ(program.InitDDE(App, &calls), SocketWadapi::ForeignClient);
    EXPECT_TRUE(program.lastError().contains(u"another user"_qs))
        << program.lastError().toStdString();
    EXPECT_EQ(reapChild(child), 0) << "it was told nothing";
}

// Without XDG_RUNTIME_DIR the socket sits in a folder of the user's alone,
// which the chat client makes; one that others may write in is not used.
TEST(SocketWadapiPeer, WithoutRuntimeFolderTheSocketHasAFolderOfItsOwn)
{
    QTemporaryDir tmp;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), tmpdir = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] {
        runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
        tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
    });
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    const QString path = defaultWadapiSocketPath();
    const QString folder = QFileInfo(path).absolutePath();
    ASSERT_EQ(QFileInfo(folder).absolutePath(), QDir(tmp.path()).absolutePath());
    {
        RoomProcess room;
        ASSERT_TRUE(room.start(path));
        EXPECT_EQ(QFile::permissions(folder).toInt() & 0x0077, 0);
        RecordedCalls calls;
        SocketWadapi program;
        EXPECT_EQ(program.InitDDE(App, &calls), 0) << program.lastError().toStdString();
    }
    QFile::setPermissions(folder, QFileDevice::Permissions::fromInt(0x7777));
    RoomProcess room;
    EXPECT_TRUE(room.launch(RoomProcess::program(), {u"--socket"_qs, path},
                            u"is not a folder of this user's alone"_qs));
}
