#include "game/roomgame.h"

// The first half of a game against the stand-in chat client in a child
// process, over the real socket: load, open, two registrations, a draw.
TEST_F(RoomGame, LoadOpenRegisterAndDrawTwo)
{
    frmMain &m = window();
    gs.RegChar = u"\u00b0"_qs;
    gs.Confirm = true;

    dialogs.files.push_back(writeFile(u"words.txt"_qs, "tiger\r\nlion\r\n"));
    m.cmdAsk->click();
    m.cmdAsk->click();
    EXPECT_EQ(gs.HostName, u"Ann Lee"_qs);
    EXPECT_TRUE(heard(u"ESP a \u00b0 to Ann Lee to register."_qs));

    client.type(u"esp Bo: \\u00B0"_qs);
    client.type(u"Dee: \u00b0"_qs);
    client.type(u"esp Cy Ng: \u00b0"_qs);
    ASSERT_TRUE(client.waitForLine(u"ESP from Cy Ng: <relax>"_qs));
    m.cmdGetRegs->click();
    ASSERT_EQ(playerNames(), QStringList({u"Bo"_qs, u"Cy Ng"_qs}));
    EXPECT_TRUE(client.waitForLine(u"ESP to Bo: You are registered"_qs));
    EXPECT_TRUE(client.waitForLine(u"ESP to Cy Ng: You are registered"_qs));

    m.vsDrawCnt->setValue(-2);
    m.cmdDraw->click();
    ASSERT_EQ(gs.DownCount, 2);
    EXPECT_NE(gs.Down[1].Name, gs.Down[2].Name);
    EXPECT_TRUE(heard(u"1. "_qs + gs.Down[1].Name));
    EXPECT_TRUE(heard(u"2. "_qs + gs.Down[2].Name + u", come on down!"_qs));
    EXPECT_TRUE(heard(u"-o-o-o-"_qs));
    EXPECT_TRUE(m.cmdAsk->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(log().contains("[Down]\r\nDraw= 2 \r\nCount= 2 \r\nPointer= 1 \r\n"));
    m.close();
}
