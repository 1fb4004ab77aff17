#include "chat/recordingcallbacks.h"
#include "chat/scriptedclient.h"
#include "chat/socketwadapi.h"
#include "room/roomprocess.h"
#include "room/waituntil.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString App = QStringLiteral("orvella");
const QByteArray Up = encodeFrame(Frame::status("0"));

// The link against a client on a thread that answers from a script.
class SocketWadapiScripted : public ::testing::Test
{
protected:
    // Starts the client and links up; its first reply answers the I.
    void linkUp(const QByteArrayList &replies)
    {
        client = std::make_unique<ScriptedClient>(path, replies);
        ASSERT_TRUE(client->startListening());
        wadapi = std::make_unique<SocketWadapi>(path);
        ASSERT_EQ(wadapi->InitDDE(App, &calls), 0);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    RecordingCallbacks calls;
    std::unique_ptr<ScriptedClient> client;
    std::unique_ptr<SocketWadapi> wadapi;
};

} // namespace

TEST_F(SocketWadapiScripted, InitNeedsStatusZeroFromAClient)
{
    SocketWadapi nobody(dir.filePath(QStringLiteral("nobody.sock")));
    EXPECT_EQ(nobody.InitDDE(App, &calls), SocketWadapi::NoClient);
    nobody.DapiGetAllText(App); // returns at once on a link that never came up

    int n = 0;
    for (const QByteArray &reply :
         {encodeFrame(Frame::status("7")), encodeFrame(Frame::status(QByteArray("0\0", 2))),
          QByteArray()}) {
        const QString p = dir.filePath(QStringLiteral("%1.sock").arg(++n));
        ScriptedClient refusing(p, {reply});
        ASSERT_TRUE(refusing.startListening());
        SocketWadapi w(p);
        w.setReplyTimeout(200ms);
        EXPECT_NE(w.InitDDE(App, &calls), 0) << reply.toHex().constData();
        EXPECT_FALSE(w.connected());
    }
    EXPECT_TRUE(calls.calls.isEmpty()) << "InitDDE's own status is its result";
}

TEST_F(SocketWadapiScripted, FramesBeforeTheStatusAreHandedOverInOrder)
{
    linkUp({Up, frames({Frame::chatText("one"), Frame::event("e", -3, "x"), Frame::chatText("two"),
                        Frame::status("6"), Frame::chatText("after")})});
    wadapi->DapiCommunicate(App, 2, "Bo", QByteArray("hi\0\xB0", 4));
    ASSERT_GE(calls.calls.size(), 4);
    EXPECT_EQ(calls.calls.mid(0, 4), QByteArrayList({"T:one", "E:e|-3|x", "T:two", "S:6"}));
    // Text behind the status comes in the call or while events run.
    EXPECT_TRUE(waitUntil([&] { return calls.calls.size() == 5; }));
    EXPECT_EQ(client->received().value(1),
              Frame::communicate("orvella", 2, "Bo", QByteArray("hi\0\xB0", 4)));
}

TEST_F(SocketWadapiScripted, ALateStatusAnswersNoLaterRequest)
{
    linkUp({Up, frames({Frame::status("0"), Frame::status("9")}), frames({Frame::status("6")})});
    wadapi->DapiGetAllText(App);
    wadapi->DapiGetAllText(App);
    EXPECT_EQ(calls.of('S'), QByteArrayList({"0", "6"}));
}

TEST_F(SocketWadapiScripted, GarbageTakesTheLinkDownAtOnce)
{
    for (const QByteArray &garbage :
         {QByteArray("\xFF\xFF\xFF\xFFjunk"), frames({Frame::getAllText("the program's own")})}) {
        linkUp({Up, frames({Frame::chatText("fine")}) + garbage});
        QElapsedTimer clock;
        clock.start();
        wadapi->DapiGetAllText(App);
        wadapi->DapiGetAllText(App);
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_FALSE(wadapi->connected());
        EXPECT_EQ(calls.calls, QByteArrayList({"T:fine"})) << "what came before still counts";
        calls.calls.clear();
        wadapi.reset();
        client.reset();
    }
}

TEST_F(SocketWadapiScripted, KillDDEInACallbackStopsTheRest)
{
    linkUp({Up, frames({Frame::chatText("a"), Frame::chatText("b"), Frame::status("0")})});
    calls.afterText = [&] { wadapi->KillDDE(); };
    wadapi->DapiGetAllText(App);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.calls, QByteArrayList({"T:a"}));
    EXPECT_FALSE(wadapi->connected());
}

TEST_F(SocketWadapiScripted, UnregisterReachesTheClientBeforeTheLinkCloses)
{
    linkUp({Up});
    wadapi->DapiUnregister(App);
    wadapi->KillDDE();
    ASSERT_TRUE(client->waitForReceived(2));
    EXPECT_EQ(client->received().value(1), Frame::unregistration("orvella"));
}

namespace {

// The link against the stand-in chat client, run as a child process.
class SocketWadapiRoom : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(room.start(path, {QStringLiteral("--host"), QStringLiteral("Ann Lee")}));
        wadapi = std::make_unique<SocketWadapi>(path);
        ASSERT_EQ(wadapi->InitDDE(App, &calls), 0);
    }

    // Types a console line and waits until the room has taken it.
    void type(const QString &line, const QString &ack)
    {
        room.type(line);
        ASSERT_TRUE(room.waitForLine(ack)) << room.lines().join(u'\n').toStdString();
    }

    QByteArray fetch()
    {
        const qsizetype before = calls.of('T').size();
        wadapi->DapiGetAllText(App);
        waitUntil([&] { return calls.of('T').size() > before; });
        return calls.of('T').size() > before ? calls.of('T').last() : QByteArray();
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    RoomProcess room;
    RecordingCallbacks calls;
    std::unique_ptr<SocketWadapi> wadapi;
};

} // namespace

TEST_F(SocketWadapiRoom, TheHostsLineComesBackBehindAGreeting)
{
    wadapi->DapiCommunicate(App, 0, {}, "\xAB\xBB\xAB\xBB  Orvella");
    wadapi->DapiCommunicate(App, 2, "Bo", "psst \xB0");
    EXPECT_EQ(calls.of('S'), QByteArrayList({"0", "0"}));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: «»«»  Orvella")));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("ESP to Bo: psst °")));

    const QByteArray text = fetch();
    EXPECT_TRUE(text.startsWith("Welcome to the room!\r\n"));
    // The opening needs 40 characters in front of its title's echo.
    EXPECT_GE(text.indexOf("\r\nAnn Lee: \xAB\xBB\xAB\xBB  Orvella"), 40);
    EXPECT_TRUE(text.endsWith("Orvella")) << "no ESP to a player, no CR LF at the end";
}

TEST_F(SocketWadapiRoom, PlayersLinesEspsAndEventsReachTheProgram)
{
    fetch();
    type(QStringLiteral("Bo: hi"), QStringLiteral("Bo: hi"));
    type(QStringLiteral("esp Bo: °"), QStringLiteral("ESP from Bo: <relax>"));
    type(QStringLiteral("esp Cy Lee: \\u00B9"), QStringLiteral("ESP from Cy Lee: <present>"));
    type(QStringLiteral("Bo: °° fünf €"), QStringLiteral("Bo: °° fünf €"));
    EXPECT_EQ(fetch(), "Bo: hi\r\nESP from Bo: <relax>\r\nESP from Cy Lee: <present>\r\n"
                       "Bo: \xB0\xB0 f\xFCnf \x80");

    type(QStringLiteral("/event 7 the door opens"), QStringLiteral("Event 7 sent"));
    EXPECT_TRUE(waitUntil([&] { return calls.calls.last().startsWith('E'); }));
    EXPECT_EQ(calls.calls.last(), "E:event|7|the door opens");
}

TEST_F(SocketWadapiRoom, TextThatComesLaterArrivesWhileEventsRun)
{
    fetch();
    wadapi->DapiGetAllText(App);
    EXPECT_EQ(calls.of('S').size(), 2);
    EXPECT_EQ(calls.of('T').size(), 1) << "nothing new yet";
    type(QStringLiteral("Bo: late"), QStringLiteral("Bo: late"));
    ASSERT_TRUE(waitUntil([&] { return calls.of('T').size() == 2; }));
    EXPECT_EQ(calls.of('T').last(), "Bo: late");
}

TEST_F(SocketWadapiRoom, InjectedAnswersReachTheProgram)
{
    type(QStringLiteral("/status 6"), QStringLiteral("Queued"));
    type(QStringLiteral("/status 10 2"), QStringLiteral("Queued"));
    type(QStringLiteral("/status -1"), QStringLiteral("Queued"));
    for (int i = 0; i < 4; ++i)
        wadapi->DapiCommunicate(App, 0, {}, "try");
    wadapi->DapiCommunicate(App, 0, {}, "done");
    EXPECT_EQ(calls.of('S'), QByteArrayList({"6", "10", "10", "-1", "0"}));

    type(QStringLiteral("/nul"), QStringLiteral("NUL trailer"));
    const QByteArray text = fetch();
    EXPECT_FALSE(text.contains("try")) << "a request answered with a fault is not carried out";
    // Four characters, then the NUL and junk: the program's rule drops exactly those.
    const qsizetype nul = text.indexOf('\0');
    ASSERT_GT(nul, 4);
    EXPECT_TRUE(text.first(nul - 4).endsWith("\r\nAnn Lee: done")) << text.constData();
}

TEST_F(SocketWadapiRoom, ASilentClientIsGivenUpAfterTheDeadline)
{
    wadapi->setReplyTimeout(300ms);
    type(QStringLiteral("/silent"), QStringLiteral("Queued"));
    QElapsedTimer clock;
    clock.start();
    wadapi->DapiGetAllText(App);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(calls.calls.isEmpty());
    EXPECT_TRUE(wadapi->connected());
    EXPECT_TRUE(fetch().startsWith("Welcome")) << "the next request is answered normally";
}

TEST_F(SocketWadapiRoom, AClientThatGoesAwayIsNoticed)
{
    type(QStringLiteral("/drop"), QStringLiteral("Connection to the program closed."));
    EXPECT_TRUE(waitUntil([&] { return !wadapi->connected(); }));

    ASSERT_EQ(wadapi->InitDDE(App, &calls), 0);
    room.kill();
    QElapsedTimer clock;
    clock.start();
    wadapi->DapiCommunicate(App, 0, {}, "anyone?");
    wadapi->DapiGetAllText(App);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(wadapi->connected());
    EXPECT_TRUE(calls.calls.isEmpty());
}

TEST_F(SocketWadapiRoom, LinksUpAgainRightAfterKillDDE)
{
    for (int i = 0; i < 5; ++i) {
        wadapi->DapiUnregister(App);
        wadapi->KillDDE();
        ASSERT_EQ(wadapi->InitDDE(App, &calls), 0);
    }
    EXPECT_TRUE(fetch().startsWith("Welcome")) << "every new link starts with the recent lines";
}
