#include "chat/wadapi.h"
#include "chatclient/chatroom.h"
#include "chatclient/wadapiserver.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// The chat client, and the program's end of its socket on a bare descriptor
// that reads only while `readable` is on.
struct LiveRig
{
    QTemporaryDir dir;
    ChatRoom room{u"Ann Lee"_qs};
    WadapiServer server{room};
    bool listening = server.listen(dir.filePath(u"w.sock"_qs));
    int fd = connectTo(QFile::encodeName(dir.filePath(u"w.sock"_qs)));
    QSocketNotifier readable{fd, QSocketNotifier::Read};
    FrameDecoder in;
    QList<Frame> got;

    LiveRig()
    {
        QObject::connect(&readable, &QSocketNotifier::activated, [this] {
            char buffer[64 * 1024];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
                in.feed(QByteArray(buffer, n));
            while (std::optional<Frame> f = in.next())
                got << *f;
        });
        send(Frame::init("orvella"));
        EXPECT_TRUE(listening && waitUntil([&] { return got.size() == 4; }));
    }
    ~LiveRig() { ::close(fd); }
    void send(const Frame &frame)
    {
        const QByteArray bytes = encodeFrame(frame);
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    QByteArrayList texts(FrameOp op) const
    {
        QByteArrayList all;
        for (const Frame &f : got)
            if (f.op == op)
                all << f.text;
        return all;
    }
    bool ask(const char *on)
    {
        send(Frame::notice(NoticeKey::Live, on));
        return waitUntil([&] { return server.liveCopy() == (*on == '1'); });
    }
};

} // namespace

// The same room with and without the copy: the game fetches the same text;
// the copy holds the lines of each turn in one frame, the host's private
// message as well, and stops when told.
TEST(WadapiServerLive, TheCopyIsSentApartOnlyWhileAskedAndTheGamesTextStaysTheSame)
{
    QByteArrayList fetched[2];
    for (const bool live : {false, true}) {
        LiveRig r;
        const auto lives = [&](qsizetype n) {
            return !live || waitUntil([&] { return r.texts(FrameOp::Live).size() == n; });
        };
        ASSERT_TRUE(!live || r.ask("1"));
        r.room.say(u"Bo"_qs, u"one"_qs);
        r.room.say(u"Cy"_qs, QString(QChar(0xB0)));
        r.room.espToHost(u"Cy"_qs, u"psst"_qs);
        ASSERT_TRUE(lives(1));
        r.send(Frame::communicate("orvella", 0, {}, "hello"));
        r.send(Frame::communicate("orvella", 2, "Bo", "you \xB0"));
        r.send(Frame::getAllText("orvella"));
        ASSERT_TRUE(waitUntil([&] { return !r.texts(FrameOp::Text).isEmpty(); }) && lives(2));
        fetched[live] = r.texts(FrameOp::Text);
        EXPECT_EQ(r.texts(FrameOp::Live),
                  live ? QByteArrayList({"Bo: one\r\nCy: <relax>\r\nESP from Cy: psst\r\n",
                                         "Ann Lee: hello\r\nESP to Bo: you \xB0\r\n"})
                       : QByteArrayList());
        ASSERT_TRUE(!live || r.ask("0"));
        r.room.say(u"Bo"_qs, u"after"_qs);
        EXPECT_EQ(r.server.liveBacklog(), 0);
    }
    EXPECT_EQ(fetched[0], fetched[1]);
}

// A player floods the room while the program reads nothing: the client holds
// a bounded copy, and the program later learns how many lines it missed.
TEST(WadapiServerLive, AFloodTheProgramDoesNotReadStaysBoundedAndIsCounted)
{
    LiveRig r;
    ASSERT_TRUE(r.ask("1"));
    r.readable.setEnabled(false);
    constexpr int Lines = 100000;
    qsizetype most = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Lines; ++i) {
        r.room.say(u"Pat"_qs, u"flood %1"_qs.arg(i));
        if (i % 500 == 0)
            QCoreApplication::processEvents();
        most = std::max(most, r.server.liveBacklog());
    }
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_LE(most, LiveCopy::MaxPending + 64 * 1024);

    r.readable.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return r.got.last().text.endsWith(" 99999\r\n"); }));
    qint64 heard = 0, missed = 0;
    for (const QByteArray &piece : r.texts(FrameOp::Live)) {
        EXPECT_TRUE(piece.size() <= 64 * 1024 - 5 && piece.endsWith("\r\n"));
        for (const QByteArray &line : piece.split('\n')) {
            heard += line.startsWith("Pat: flood ");
            if (line.endsWith(" lines not shown)\r"))
                missed += line.mid(1).split(' ').value(0).toLongLong();
        }
    }
    EXPECT_GT(missed, 0);
    EXPECT_EQ(heard + missed, Lines);
}

// The program's status reaches the pages and the topic read. (A malformed one
// costs only itself: tests/transport.)
TEST(WadapiServerStatus, TellsTheProgramsStatusRead)
{
    LiveRig r;
    QList<GameStatus> told;
    QObject::connect(&r.server, &WadapiServer::gameStatus, [&](const GameStatus &s) { told << s; });
    r.send(Frame::gameStatus("phase=won\r\npattern=APPLE\r\n"));
    ASSERT_TRUE(waitUntil([&] { return !told.isEmpty(); }));
    EXPECT_EQ(told[0].pattern, u"APPLE"_qs);
    // The program going puts the game it showed on hold.
    bool left = false;
    QObject::connect(&r.server, &WadapiServer::programLeft, [&] { left = true; });
    ::shutdown(r.fd, SHUT_RDWR);
    EXPECT_TRUE(waitUntil([&] { return left; }));
}
