#include "room/chatroom.h"
#include "room/rawprogram.h"
#include "room/wadapiserver.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray Greeting =
    "Welcome to the room!\r\nBe kind to each other, and good luck in the games.";

class WadapiServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.listen(path)); }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    ChatRoom room{QStringLiteral("Ann Lee")};
    WadapiServer server{room};
};

// A socket file whose listener is gone, as a killed client leaves it.
bool makeStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::copy(name.begin(), name.end(), addr.sun_path);
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TEST_F(WadapiServerTest, FaultsAnswerTheComingRequestsInOrder)
{
    server.queueStatus("7", 1);
    server.queueStatus("6", 2);
    server.queueSilence(1);
    server.queueStatus("", 1);
    RawProgram program;
    ASSERT_TRUE(program.connectTo(path));
    program.send(Frame::init("orvella"));
    program.send(Frame::communicate("orvella", 0, "", "a"));
    program.send(Frame::communicate("orvella", 0, "", "b"));
    program.send(Frame::getAllText("orvella"));
    program.send(Frame::getAllText("orvella"));
    program.send(Frame::communicate("orvella", 0, "", "c"));
    ASSERT_TRUE(program.waitForFrames(5));
    EXPECT_EQ(program.frames,
              QList<Frame>({Frame::status("7"), Frame::status("6"), Frame::status("6"),
                            Frame::status(""), Frame::status("0")}));
    EXPECT_EQ(room.textSince(room.end() - 1), QStringLiteral("Ann Lee: c"));
}

TEST_F(WadapiServerTest, OneProgramAtATimeAndABrokenOneIsCutOff)
{
    RawProgram first, second;
    ASSERT_TRUE(first.connectTo(path));
    first.send(Frame::init("orvella"));
    ASSERT_TRUE(first.waitForFrames(1));
    ASSERT_TRUE(second.connectTo(path));
    EXPECT_TRUE(second.waitForDisconnect());

    for (const QByteArray &garbage :
         {QByteArray("\xFF\xFF\xFF\xFF"), Greeting, encodeFrame(Frame::status("0"))}) {
        RawProgram bad;
        ASSERT_TRUE(bad.connectTo(path));
        bad.send(garbage);
        EXPECT_TRUE(bad.waitForDisconnect());
        first.socket.disconnectFromServer(); // the first time only
    }

    RawProgram good;
    ASSERT_TRUE(good.connectTo(path));
    good.send(Frame::getAllText("orvella"));
    ASSERT_TRUE(good.waitForFrames(2));
    EXPECT_EQ(good.frames.at(1), Frame::chatText(Greeting)) << "a new program sees recent lines";
}

TEST(WadapiServerListen, TakesOverOnlyAStaleSocket)
{
    QTemporaryDir dir;
    ChatRoom room(QStringLiteral("Host"));
    const QString sock = dir.filePath(QStringLiteral("stale.sock"));
    ASSERT_TRUE(makeStaleSocket(sock));
    WadapiServer a(room), b(room), c(room);
    EXPECT_TRUE(a.listen(sock)) << a.errorString().toStdString();
    EXPECT_FALSE(b.listen(sock)) << "a live client keeps its socket";
    RawProgram program;
    ASSERT_TRUE(program.connectTo(sock));
    program.send(Frame::init("orvella"));
    EXPECT_TRUE(program.waitForFrames(1));

    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    EXPECT_FALSE(c.listen(file.fileName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "precious");
}
