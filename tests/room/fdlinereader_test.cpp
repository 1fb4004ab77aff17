#include "room/fdlinereader.h"
#include "room/waituntil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TEST(FdLineReader, TakesLinesAsTheyComeAndCutsOverlongOnes)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    QStringList lines;
    bool finished = false;
    {
        FdLineReader reader(fds[0]);
        QObject::connect(&reader, &FdLineReader::lineRead, [&](const QString &l) { lines << l; });
        QObject::connect(&reader, &FdLineReader::finished, [&] { finished = true; });
        // More than a pipe holds: it goes in while the reader takes it out.
        const auto feed = [&](const QByteArray &bytes) {
            for (qsizetype done = 0; done < bytes.size();) {
                const ssize_t n = ::write(fds[1], bytes.constData() + done, bytes.size() - done);
                if (n > 0)
                    done += n;
                else if (errno == EAGAIN)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                else
                    FAIL() << errno;
            }
        };

        feed("Bo: hi\r\nesp Bo: \xC2"); // a UTF-8 sequence split across writes
        ASSERT_TRUE(waitUntil([&] { return lines.size() == 1; }));
        feed("\xB0\n" + QByteArray(FdLineReader::MaxLineLength + 5000, 'x') + "\nlast");
        ::close(fds[1]);
        ASSERT_TRUE(waitUntil([&] { return finished; }));
    }
    ::close(fds[0]);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), QStringLiteral("Bo: hi"));
    EXPECT_EQ(lines.at(1), QString::fromUtf16(u"esp Bo: °"));
    EXPECT_EQ(lines.at(2).size(), FdLineReader::MaxLineLength);
    EXPECT_EQ(lines.at(3), QStringLiteral("last"));
}
