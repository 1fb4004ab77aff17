#include "support/waituntil.h"
#include "transport/localconnection.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// More than the system takes at once waits and goes out whole, in order,
// behind what came first; the other end's close is told once, after what it
// sent before leaving.
TEST(LocalConnection, BytesGoOutWholeAndTheEndComesAfterTheLastBytes)
{
    QTemporaryDir dir;
    QLocalServer server;
    ASSERT_TRUE(server.listen(dir.filePath(u"s"_qs)));
    LocalConnection c;
    ASSERT_EQ(c.connectTo(server.fullServerName(), 1s), QString());
    ASSERT_TRUE(server.waitForNewConnection(5000));
    QLocalSocket *peer = server.nextPendingConnection();

    QByteArray big(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 % 251);
    ASSERT_TRUE(c.write(big));
    EXPECT_GT(c.bytesToWrite(), 0);
    ASSERT_TRUE(c.write("tail"));
    QByteArray got;
    ASSERT_TRUE(waitUntil([&] {
        got += peer->readAll();
        return got.size() >= big.size() + 4;
    }));
    EXPECT_TRUE(got == big + "tail");

    int ends = 0;
    QByteArray heard;
    QObject::connect(&c, &LocalConnection::readyRead, [&] { heard += c.takeReceived(); });
    QObject::connect(&c, &LocalConnection::disconnected, [&] {
        EXPECT_EQ(heard, "last words");
        ++ends;
    });
    peer->write("last words");
    peer->flush();
    peer->close();
    ASSERT_TRUE(c.waitForReadable(5000));
    EXPECT_TRUE(waitUntil([&] { return ends > 0; }));
    EXPECT_FALSE(c.isOpen());
    EXPECT_FALSE(c.write("more"));
    QCoreApplication::processEvents();
    EXPECT_EQ(ends, 1);

    // Linked again: nobody listening is told in the system's words, and the
    // old link's error is gone.
    EXPECT_EQ(c.connectTo(dir.filePath(u"none"_qs), 1s), u"No such file or directory"_qs);
    EXPECT_EQ(c.connectTo(QString(200, u'x'), 1s), u"not a socket's path"_qs);
    EXPECT_FALSE(c.isOpen());
    EXPECT_EQ(c.errorString(), QString());
}
