#include "gamefixture.h"

#include "chat/socketwadapi.h"
#include "room/roomprocess.h"

// The first half of a game against the stand-in chat client in a child
// process, over the real socket: load, open, two registrations, a draw.
TEST(RoundWithTheRoom, LoadOpenRegisterAndDrawTwo)
{
    GameSession g;
    RoomProcess room;
    ASSERT_TRUE(room.start(g.path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    SocketWadapi wadapi(g.path(u"wadapi.sock"_qs));
    g.chat = &wadapi;
    frmMain &w = g.window();
    g.gs.RegChar = u"\u00b0"_qs;
    g.gs.Confirm = true;

    g.dialogs.files.push_back(g.writeFile(u"words.txt"_qs, "tiger\r\nlion\r\n"));
    w.cmdAsk->click();
    w.cmdAsk->click();
    EXPECT_EQ(g.gs.HostName, u"Ann Lee"_qs);
    EXPECT_TRUE(room.waitForLine(u"Ann Lee: ESP a \u00b0 to Ann Lee to register."_qs));

    room.type(u"esp Bo: \\u00B0"_qs);
    room.type(u"Dee: \u00b0"_qs);
    room.type(u"esp Cy Ng: \u00b0"_qs);
    ASSERT_TRUE(room.waitForLine(u"ESP from Cy Ng: <relax>"_qs));
    w.cmdGetRegs->click();
    ASSERT_EQ(g.playerNames(), QStringList({u"Bo"_qs, u"Cy Ng"_qs}));
    EXPECT_TRUE(room.waitForLine(u"ESP to Bo: You are registered"_qs));
    EXPECT_TRUE(room.waitForLine(u"ESP to Cy Ng: You are registered"_qs));

    w.vsDrawCnt->setValue(-2);
    w.cmdDraw->click();
    ASSERT_EQ(g.gs.DownCount, 2);
    EXPECT_NE(g.gs.Down[1].Name, g.gs.Down[2].Name);
    EXPECT_TRUE(room.waitForLine(u"Ann Lee: 1. "_qs + g.gs.Down[1].Name));
    EXPECT_TRUE(room.waitForLine(u"Ann Lee: 2. "_qs + g.gs.Down[2].Name + u", come on down!"_qs));
    EXPECT_TRUE(room.waitForLine(u"Ann Lee: -o-o-o-"_qs));
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_TRUE(g.dialogs.messages.empty());
    EXPECT_TRUE(g.log().contains("[Down]\r\nDraw= 2 \r\nCount= 2 \r\nPointer= 1 \r\n"));
    w.close();
}
