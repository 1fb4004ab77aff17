#include "support/waituntil.h"
#include "transport/frame.h"
#include "transport/socketwadapi.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A live copy that comes ahead of a request's status goes to its own
// callback, in order, and neither answers the request nor joins its text.
TEST(SocketWadapiLive, ALiveCopyAheadOfTheStatusIsHandedOverApart)
{
    struct : WadapiCallbacks
    {
        QByteArrayList all;
        void OnDapiStatus(const QByteArray &code) override { all << "S:" + code; }
        void OnDapiText(const QByteArray &text) override { all << "T:" + text; }
        void OnDapiEvent(const QByteArray &t, qint16, const QByteArray &) override { all << t; }
        void OnDapiLive(const QByteArray &text) override { all << "L:" + text; }
    } calls;
    const QByteArray text("Bo: \xB0\0\r\n", 8);
    QByteArrayList answers = {
        encodeFrame(Frame::event("live", 0, {})) + encodeFrame(Frame::status("0")),
        encodeFrame(Frame::live(text)) + encodeFrame(Frame::live("Cy: x\r\n")) +
            encodeFrame(Frame::status("0")) + encodeFrame(Frame::chatText("Bo: game"))};
    QTemporaryDir dir;
    QLocalServer server;
    ASSERT_TRUE(server.listen(dir.filePath(u"live.sock"_qs)));
    FrameDecoder in;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket *client = server.nextPendingConnection();
        QObject::connect(client, &QLocalSocket::readyRead, [&, client] {
            in.feed(client->readAll());
            while (in.next() && !answers.isEmpty())
                client->write(answers.takeFirst());
        });
    });
    SocketWadapi wadapi(server.fullServerName());
    ASSERT_EQ(wadapi.InitDDE(u"orvella"_qs, &calls), 0);
    wadapi.DapiGetAllText(u"orvella"_qs);
    ASSERT_TRUE(waitUntil([&] { return calls.all.size() >= 5; }));
    EXPECT_EQ(calls.all, QByteArrayList({"live", "L:" + text, "L:Cy: x\r\n", "S:0", "T:Bo: game"}));
    EXPECT_TRUE(wadapi.connected());
}
