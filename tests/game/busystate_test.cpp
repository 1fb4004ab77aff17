#include "game/busystate.h"
#include "support/gamecontextrig.h"

#include <gtest/gtest.h>

using Ctl = MainControls::Ctl;

// Only the outermost step's end restores, and restoring follows the phase:
// before the opening no registrations, and no draw once every word has been
// played.
TEST(BusyState, RestoringEnablesWhatThePhaseAllows)
{
    // Phase, word index, players down; then whether registrations and the
    // draw come back, and how the draw button shows.
    const std::tuple<Integer, Integer, Integer, bool, bool, QString> cases[] = {
        {1, 1, 0, false, false, QString()},
        {2, 1, 0, true, true, u"Draw|Draw Players for this round"_qs},
        {2, 10, 3, true, true, u"Repeat|List Players for this round"_qs},
        {2, 11, 3, true, false, u"Repeat|List Players for this round"_qs},
    };
    for (const auto &[phase, wordIndex, downCount, regs, draw, drawShown] : cases) {
        RecordingControls controls;
        GameState gs;
        std::tie(gs.GamePhase, gs.WordCount, gs.WordIndex, gs.DownCount) =
            std::tuple(phase, 10, wordIndex, downCount);
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
                  regs);
        EXPECT_EQ(controls.controlEnabled(Ctl::cmdDraw), draw) << wordIndex;
        EXPECT_EQ(drawShown.isEmpty()
                      ? QString()
                      : controls.caption(Ctl::cmdDraw) + u'|' + controls.ctl[Ctl::cmdDraw].tip,
                  drawShown);
    }
}
