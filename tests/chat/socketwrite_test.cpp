#include "chat/socketwrite.h"
#include "support/waituntil.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Pair
{
    QTemporaryDir dir;
    QLocalServer server;
    QLocalSocket writer;
    QLocalSocket *reader = nullptr;
    Pair()
    {
        server.listen(dir.filePath(QStringLiteral("s")));
        writer.connectToServer(server.fullServerName());
        writer.waitForConnected(5000);
        server.waitForNewConnection(5000);
        reader = server.nextPendingConnection();
    }
};

} // namespace

// More than the system takes at once: the rest waits in Qt's buffer, and a
// later frame goes behind it, not past it.
TEST(SocketWrite, BytesTheSystemCannotTakeYetArriveWholeAndInOrder)
{
    Pair p;
    ASSERT_NE(p.reader, nullptr);
    QByteArray big(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 % 251);
    ASSERT_TRUE(writeAtOnce(p.writer, big));
    EXPECT_GT(p.writer.bytesToWrite(), 0);
    ASSERT_TRUE(writeAtOnce(p.writer, "tail"));
    QByteArray got;
    ASSERT_TRUE(waitUntil([&] {
        got += p.reader->readAll();
        return got.size() >= big.size() + 4;
    }));
    EXPECT_TRUE(got == big + "tail");
}

// A peer that is gone neither stops the program with a signal nor goes
// unnoticed.
TEST(SocketWrite, APeerThatLeftIsNoticed)
{
    Pair p;
    ASSERT_NE(p.reader, nullptr);
    p.reader->abort();
    bool gone = false;
    QObject::connect(&p.writer, &QLocalSocket::disconnected, [&] { gone = true; });
    EXPECT_TRUE(waitUntil([&] {
        writeAtOnce(p.writer, QByteArray(1024, 'x'));
        return gone;
    }));
}
