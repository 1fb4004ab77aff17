#include "game/busystate.h"
#include "support/gamecontextrig.h"

#include <gtest/gtest.h>

using Ctl = MainControls::Ctl;

// Only the outermost step's end restores, and restoring follows the phase:
// before the opening no registrations, and no draw once every word has been
// played.
TEST(BusyState, RestoringEnablesWhatThePhaseAllows)
{
    struct Case
    {
        Integer phase, wordIndex, downCount;
        bool regs, draw;
        QString drawShown;
    };
    const Case cases[] = {
        {1, 1, 0, false, false, QString()},
        {2, 1, 0, true, true, u"Draw|Draw Players for this round"_qs},
        {2, 10, 3, true, true, u"Repeat|List Players for this round"_qs},
        {2, 11, 3, true, false, u"Repeat|List Players for this round"_qs},
    };
    for (const Case &c : cases) {
        RecordingControls controls;
        GameState gs;
        gs.GamePhase = c.phase;
        gs.WordCount = 10;
        gs.WordIndex = c.wordIndex;
        gs.DownCount = c.downCount;
        LockControls(controls);
        LockControls(controls);
        EXPECT_FALSE(
            controls.menus || controls.macros || controls.controlEnabled(Ctl::cmdGetRegs) ||
            controls.controlEnabled(Ctl::cmdList) || controls.controlEnabled(Ctl::cmdDraw));
        RestoreControls(controls, gs);
        EXPECT_FALSE(controls.menus || controls.macros || controls.controlEnabled(Ctl::cmdDraw));
        RestoreControls(controls, gs);
        EXPECT_TRUE(controls.menus && controls.macros && !controls.busy);
        EXPECT_EQ(controls.controlEnabled(Ctl::cmdGetRegs) && controls.controlEnabled(Ctl::cmdList),
                  c.regs);
        EXPECT_EQ(controls.controlEnabled(Ctl::cmdDraw), c.draw) << c.wordIndex;
        EXPECT_EQ(c.drawShown.isEmpty()
                      ? QString()
                      : controls.caption(Ctl::cmdDraw) + u'|' + controls.ctl[Ctl::cmdDraw].tip,
                  c.drawShown);
    }
}
