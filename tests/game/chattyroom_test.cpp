#include "gamefixture.h"

#include "chat/chatlink.h"

TEST_F(GameTest, AChattyRoomIsFetchedAtATicksPaceAndNoClickStartsAStepInARequest)
{
    frmMain &m = window();
    gs.Delay = 0;
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "w1\r\n"));
    m.cmdAsk->click();
    // Every fetch brings chatter; the echo shows, with room in front, only at
    // the 12th.
    room.echo = false;
    room.onFetch = [&](int n) {
        if (n == 12)
            room.pending = {Greeting, u"Ann Lee: "_qs + titleLine()};
    };
    m.cmdAsk->click();
    EXPECT_EQ(gs.HostName, u"Ann Lee"_qs);
    EXPECT_EQ(room.fetches, 12);
    // My_Wait(1) after the title, one tick before each fetch from the third,
    // one after each of the three lines that follow.
    EXPECT_EQ(ticks.delivered, 3 + 10 + 3);

    bool ran = false;
    room.breakOn = [&](const QString &) {
        EXPECT_TRUE(m.link().requesting());
        m.runStep([&] { ran = true; });
        return false;
    };
    m.cmdList->click();
    EXPECT_FALSE(ran);
    EXPECT_EQ(room.heard.last(), u"--- No players registered ---"_qs);
    m.runStep([&] { ran = true; });
    EXPECT_TRUE(ran);
}
