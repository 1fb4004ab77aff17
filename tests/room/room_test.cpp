#include "room/fdlinereader.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(FdLineReader, TakesSplitCharactersAndCutsOverlongLines)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_GE(::fcntl(fds[1], F_SETPIPE_SZ, 1 << 18), 0) << "all input fits at once";
    // A character split across two reads of 4096 bytes, a line longer than allowed.
    const QByteArray in = "Bo: hi\r\n" + QByteArray(4087, 'y') + "\xC2\xB0\n" +
                          QByteArray(FdLineReader::MaxLineLength + 5000, 'x') + "\nlast";
    ASSERT_EQ(::write(fds[1], in.constData(), in.size()), in.size());
    ::close(fds[1]);
    QStringList lines;
    bool finished = false;
    {
        FdLineReader reader(fds[0]);
        QObject::connect(&reader, &FdLineReader::lineRead, [&](const QString &l) { lines << l; });
        QObject::connect(&reader, &FdLineReader::finished, [&] { finished = true; });
        EXPECT_TRUE(waitUntil([&] { return finished; }));
    }
    ::close(fds[0]);
    EXPECT_EQ(lines, QStringList({"Bo: hi", QString(4087, u'y') + QChar(0xB0),
                                  QString(FdLineReader::MaxLineLength, u'x'), "last"}));
}

// The players know the word lists installed beside the room unless --words
// names others.
TEST(RoomExe, StaysWhenToldGuardsItsSocketAndRemovesItAtTheEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"w.sock"_qs);
    QFile file(dir.filePath(u"notes.txt"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
    file.close();
    RoomProcess stays, second, third, fourth, split;
    ASSERT_TRUE(stays.start(path, {u"--stay"_qs}));
    const QString installed = QFileInfo(RoomProcess::program()).dir().filePath(u"../share"_qs);
    EXPECT_TRUE(stays.waitForLine(u"players know the words of "_qs + QDir::cleanPath(installed) +
                                  u"/orvella/words."_qs));
    stays.closeInput();
    ASSERT_TRUE(stays.waitForLine(u"the room stays open"_qs));
    EXPECT_FALSE(second.start(path)) << "a live client keeps its socket";
    EXPECT_EQ(second.waitForExit(), 1);
    // A killed client leaves its socket behind, for the next one to take over.
    stays.kill();
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_TRUE(third.start(path, {u"--words"_qs, file.fileName()}));
    EXPECT_TRUE(third.waitForLine(u"players know the words of "_qs + file.fileName() + u'.'));
    third.type(u"/quit"_qs);
    EXPECT_EQ(third.waitForExit(), 0);
    EXPECT_FALSE(QFile::exists(path)) << "the socket goes with the room";
    // Anything else at the path is never taken, nor a name the shell split.
    EXPECT_FALSE(fourth.start(file.fileName()));
    EXPECT_FALSE(split.start(path, {u"--host"_qs, u"Ann"_qs, u"Lee"_qs}));
    EXPECT_EQ(split.waitForExit(), 2);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "precious");
}

// The room's console moderates as the program does, a scripted player obeys,
// and --bans keeps a ban across a restart, never taking another file.
TEST(RoomExe, TheConsoleKicksAndBansAndTheBansOutliveTheRoom)
{
    QTemporaryDir dir;
    const QStringList bans{u"--bans"_qs, dir.filePath(u"bans"_qs)};
    RoomProcess room, again, wrong;
    ASSERT_TRUE(room.start(dir.filePath(u"w"_qs), bans));
    room.type(u"/add Zed\n/add Yul\n/ban Zed flood\n/add Zed\n/kick Host\n/kick Yul\n/quit"_qs);
    for (const char *line : {"Zed is banned.", "The name Zed is taken.",
                             "Host is the host, whom no one can kick.", "Yul was kicked."})
        EXPECT_TRUE(room.waitForLine(QString::fromLatin1(line))) << line;
    EXPECT_EQ(room.waitForExit(), 0);
    ASSERT_TRUE(again.start(dir.filePath(u"w"_qs), bans));
    again.type(u"/bans\n/unban zed\n/add Zed\n/quit"_qs);
    for (const char *line : {"Banned: Zed (flood).", "Zed is no longer banned.", "Zed has entered"})
        EXPECT_TRUE(again.waitForLine(QString::fromLatin1(line))) << line;
    EXPECT_EQ(again.waitForExit(), 0);
    EXPECT_FALSE(wrong.start(dir.filePath(u"w"_qs), {u"--bans"_qs, RoomProcess::program()}));
}
