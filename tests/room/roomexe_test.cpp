#include "room/rawprogram.h"
#include "room/roomprocess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(RoomExe, ClosesAtTheEndOfInputUnlessToldToStay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    {
        RoomProcess room;
        ASSERT_TRUE(room.start(path));
        room.closeInput();
        ASSERT_TRUE(room.waitForExit());
        EXPECT_EQ(room.process().exitCode(), 0);
        EXPECT_FALSE(QFile::exists(path));
    }

    RoomProcess room;
    ASSERT_TRUE(room.start(
        path, {QStringLiteral("--stay"), QStringLiteral("--host"), QStringLiteral("Ann Lee")}));
    room.closeInput();
    ASSERT_TRUE(room.waitForLine(QStringLiteral("the room stays open")));
    RawProgram program;
    ASSERT_TRUE(program.connectTo(path));
    program.send(Frame::communicate("orvella", 0, "", "still here"));
    ASSERT_TRUE(program.waitForFrames(1));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: still here")));

    RoomProcess second;
    EXPECT_FALSE(second.start(path));
    EXPECT_TRUE(second.waitForExit());
    EXPECT_EQ(second.process().exitCode(), 1);
}
