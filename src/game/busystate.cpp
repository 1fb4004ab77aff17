#include "game/busystate.h"

#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

void showFirstState(GameState &gs, Console &console)
{
    console.setCaption(Ctl::lblPlayercnt, QStringLiteral("0"));
    gs.PlayerCount = 0;
    gs.BoxMode = BoxMode::EditDefaults;

    console.setCaption(Ctl::cmdAsk, QStringLiteral("Load"));
    console.setControlTip(Ctl::cmdAsk, QStringLiteral("Load"));
    console.setControlEnabled(Ctl::cmdAsk, true);

    console.setCaption(Ctl::lblWordOf, QString());
    console.setCaption(Ctl::lblWord, QStringLiteral("Load Orvellas"));

    for (Ctl c : {Ctl::cmdGet, Ctl::cmdCheck, Ctl::cmdCountdown, Ctl::cmdGetRegs, Ctl::cmdDraw,
                  Ctl::cmdList})
        console.setControlEnabled(c, false);

    console.clearList(List::lstDown);
    console.clearList(List::lstPlayers);
}

void LockControls(GameContext &ctx)
{
    Console &console = ctx.console;
    console.setBusyDepth(console.busyDepth() + 1);
    ctx.controls.focusDummy();
    console.setBusy(true);
    console.setMenusEnabled(false);
    console.setControlEnabled(Ctl::cmdList, false);
    console.setControlEnabled(Ctl::cmdGetRegs, false);
    console.setControlEnabled(Ctl::cmdDraw, false);
    console.setMacrosEnabled(false);
}

void RestoreControls(GameContext &ctx)
{
    Console &console = ctx.console;
    const GameState &gs = ctx.gs;
    if (console.busyDepth() > 1) {
        console.setBusyDepth(console.busyDepth() - 1);
        return;
    }
    console.setBusyDepth(0);
    console.setMenusEnabled(true);
    if (gs.GamePhase == GamePhase::Open) {
        console.setControlEnabled(Ctl::cmdList, true);
        console.setControlEnabled(Ctl::cmdGetRegs, true);
        if (gs.DownCount != 0) {
            console.setCaption(Ctl::cmdDraw, QStringLiteral("Repeat"));
            console.setControlTip(Ctl::cmdDraw, QStringLiteral("List Players for this round"));
        } else {
            console.setCaption(Ctl::cmdDraw, QStringLiteral("Draw"));
            console.setControlTip(Ctl::cmdDraw, QStringLiteral("Draw Players for this round"));
        }
        // Once the last word has been played there is nothing left to draw for.
        if (gs.WordIndex <= gs.WordCount)
            console.setControlEnabled(Ctl::cmdDraw, true);
    }
    console.setMacrosEnabled(true);
    console.setBusy(false);
}
