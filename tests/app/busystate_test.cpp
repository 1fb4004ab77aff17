#include "app/busystate.h"
#include "game/gamestate.h"
#include "support/recordingcontrols.h"

#include <gtest/gtest.h>

using Ctl = MainControls::Ctl;

namespace {
RecordingControls lockedControls()
{
    RecordingControls c;
    for (Ctl t : {Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck, Ctl::cmdCountdown})
        c.setEnabled(t, true);
    LockControls(c);
    return c;
}
} // namespace

TEST(BusyState, LockDisablesEverythingButTheTurnButtons)
{
    const RecordingControls c = lockedControls();
    EXPECT_FALSE(c.menusEnabled);
    EXPECT_FALSE(c.macrosEnabled);
    EXPECT_TRUE(c.busyPointer);
    EXPECT_EQ(c.dummyFocused, 1);
    for (Ctl t : {Ctl::cmdList, Ctl::cmdGetRegs, Ctl::cmdDraw})
        EXPECT_FALSE(c.isEnabled(t));
    for (Ctl t : {Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck, Ctl::cmdCountdown})
        EXPECT_TRUE(c.isEnabled(t));
}

TEST(BusyState, RestoreFollowsThePhase)
{
    GameState gs;
    gs.GamePhase = 1;
    RecordingControls c = lockedControls();
    RestoreControls(c, gs);
    EXPECT_TRUE(c.menusEnabled);
    EXPECT_TRUE(c.macrosEnabled);
    EXPECT_FALSE(c.busyPointer);
    EXPECT_FALSE(c.isEnabled(Ctl::cmdGetRegs));
    EXPECT_FALSE(c.isEnabled(Ctl::cmdList));
    EXPECT_FALSE(c.isEnabled(Ctl::cmdDraw));

    gs.GamePhase = 2;
    gs.WordCount = 10;
    gs.WordIndex = 1;
    c = lockedControls();
    RestoreControls(c, gs);
    EXPECT_TRUE(c.isEnabled(Ctl::cmdGetRegs));
    EXPECT_TRUE(c.isEnabled(Ctl::cmdList));
    EXPECT_TRUE(c.isEnabled(Ctl::cmdDraw));
    EXPECT_EQ(c.caption(Ctl::cmdDraw), QStringLiteral("Draw"));
    EXPECT_EQ(c.state(Ctl::cmdDraw).tip, QStringLiteral("Draw Players for this round"));

    // All words played while players are still down: no more draws.
    gs.DownCount = 3;
    gs.WordIndex = 11;
    c = lockedControls();
    RestoreControls(c, gs);
    EXPECT_FALSE(c.isEnabled(Ctl::cmdDraw));
    EXPECT_EQ(c.caption(Ctl::cmdDraw), QStringLiteral("Repeat"));
    EXPECT_EQ(c.state(Ctl::cmdDraw).tip, QStringLiteral("List Players for this round"));
    EXPECT_TRUE(c.isEnabled(Ctl::cmdGetRegs));
}
