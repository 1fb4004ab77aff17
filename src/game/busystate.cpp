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
    controls.setEnabled(Ctl::cmdList, false);
    controls.setEnabled(Ctl::cmdGetRegs, false);
    controls.setEnabled(Ctl::cmdDraw, false);
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
        controls.setEnabled(Ctl::cmdList, true);
        controls.setEnabled(Ctl::cmdGetRegs, true);
        if (gs.DownCount != 0) {
            controls.setCaption(Ctl::cmdDraw, QStringLiteral("Repeat"));
            controls.setToolTip(Ctl::cmdDraw, QStringLiteral("List Players for this round"));
        } else {
            controls.setCaption(Ctl::cmdDraw, QStringLiteral("Draw"));
            controls.setToolTip(Ctl::cmdDraw, QStringLiteral("Draw Players for this round"));
        }
        // Once the last word has been played there is nothing left to draw for.
        if (gs.WordIndex <= gs.WordCount)
            controls.setEnabled(Ctl::cmdDraw, true);
    }
    controls.setMacrosEnabled(true);
    controls.setBusyPointer(false);
}
