#include "game/busystate.h"

#include "game/gamestate.h"
#include "game/maincontrols.h"

using Ctl = MainControls::Ctl;

void LockControls(MainControls &controls)
{
    controls.setBusyDepth(controls.busyDepth() + 1);
    controls.focusDummy();
    controls.setBusyPointer(true);
    controls.setMenusEnabled(false);
    controls.setControlEnabled(Ctl::cmdList, false);
    controls.setControlEnabled(Ctl::cmdGetRegs, false);
    controls.setControlEnabled(Ctl::cmdDraw, false);
    controls.setMacrosEnabled(false);
}

void RestoreControls(MainControls &controls, const GameState &gs)
{
    if (controls.busyDepth() > 1) {
        controls.setBusyDepth(controls.busyDepth() - 1);
        return;
    }
    controls.setBusyDepth(0);
    controls.setMenusEnabled(true);
    if (gs.GamePhase == 2) {
        controls.setControlEnabled(Ctl::cmdList, true);
        controls.setControlEnabled(Ctl::cmdGetRegs, true);
        if (gs.DownCount != 0) {
            controls.setCaption(Ctl::cmdDraw, QStringLiteral("Repeat"));
            controls.setControlTip(Ctl::cmdDraw, QStringLiteral("List Players for this round"));
        } else {
            controls.setCaption(Ctl::cmdDraw, QStringLiteral("Draw"));
            controls.setControlTip(Ctl::cmdDraw, QStringLiteral("Draw Players for this round"));
        }
        // Once the last word has been played there is nothing left to draw for.
        if (gs.WordIndex <= gs.WordCount)
            controls.setControlEnabled(Ctl::cmdDraw, true);
    }
    controls.setMacrosEnabled(true);
    controls.setBusyPointer(false);
}
