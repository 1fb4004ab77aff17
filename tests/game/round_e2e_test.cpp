#include "app/frmmain.h"
#include "chat/socketwadapi.h"
#include "chat/waits.h"
#include "game/banner.h"
#include "game/gamestate.h"
#include "room/roomprocess.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The first half of a game against the stand-in chat client in a child
// process, over the real socket: load, open, two registrations, a draw.
TEST(RoundWithTheRoom, LoadOpenRegisterAndDrawTwo)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("wadapi.sock"));
    RoomProcess room;
    ASSERT_TRUE(room.start(socket, {QStringLiteral("--host"), QStringLiteral("Ann Lee")}));
    GameState gs;
    SocketWadapi wadapi(socket);
    FakeTicks ticks, ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng(5);
    frmMain w(gs, wadapi, ticks, ticks2, dialogs, rng,
              {dir.filePath(QStringLiteral("data")), [] { return QStringLiteral("orvella"); }});
    ASSERT_TRUE(w.Form_Load());
    gs.RegChar = QStringLiteral("\u00b0");
    gs.Confirm = true;

    QFile words(dir.filePath(QStringLiteral("words.txt")));
    ASSERT_TRUE(words.open(QIODevice::WriteOnly));
    words.write("tiger\r\nlion\r\n");
    words.close();
    dialogs.files.push_back(words.fileName());
    w.cmdAsk->click();
    w.cmdAsk->click();
    EXPECT_EQ(gs.HostName, QStringLiteral("Ann Lee"));
    EXPECT_EQ(w.lblWordOf->text(), QStringLiteral("Word 1 of 2"));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: ESP a \u00b0 to Ann Lee to register.")));

    room.type(QStringLiteral("esp Bo: \\u00B0"));
    room.type(QStringLiteral("Dee: \u00b0"));
    room.type(QStringLiteral("esp Cy Ng: \u00b0"));
    ASSERT_TRUE(room.waitForLine(QStringLiteral("ESP from Cy Ng: <relax>")));
    w.cmdGetRegs->click();
    ASSERT_EQ(gs.PlayerCount, 2);
    EXPECT_EQ(w.lstPlayers->item(1)->text(), QStringLiteral("Cy Ng"));
    EXPECT_EQ(w.lblPlayercnt->text(), QStringLiteral("2"));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("ESP to Bo: You are registered")));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("ESP to Cy Ng: You are registered")));

    w.vsDrawCnt->setValue(-2);
    w.cmdDraw->click();
    ASSERT_EQ(gs.DownCount, 2);
    EXPECT_NE(gs.Down[1].Name, gs.Down[2].Name);
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: 1. ") + gs.Down[1].Name));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: 2. ") + gs.Down[2].Name +
                                 QStringLiteral(", come on down!")));
    EXPECT_TRUE(room.waitForLine(QStringLiteral("Ann Lee: -o-o-o-")));
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());

    QFile log(gs.LogFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    EXPECT_TRUE(bytes.contains("Host=Ann Lee\r\n"));
    EXPECT_TRUE(bytes.contains("[Down]\r\nDraw= 2 \r\nCount= 2 \r\nPointer= 1 \r\n"));
    EXPECT_TRUE(bytes.contains("\"Bo\",1,0\r\n\"Cy Ng\",1,0\r\n"));
    w.close();
    Waits::resetAbandoned();
}
