#include "game/busystate.h"

#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"

using Ctl = ConsoleState::Ctl;

ConsoleState firstConsole()
{
    ConsoleState s;
    const auto set = [&s](Ctl c, bool enabled, const char16_t *caption, const char16_t *tip) {
        s[c] = {enabled, QString::fromUtf16(caption), QString::fromUtf16(tip)};
    };
    set(Ctl::cmdAsk, true, u"Load", u"Load");
    set(Ctl::cmdGet, false, u"Get", u"Get player's response");
    set(Ctl::cmdCheck, false, u"Check", u"Check player's response");
    set(Ctl::cmdCountdown, false, u"Countdown", u"");
    set(Ctl::cmdGetRegs, false, u"Get Regs", u"Get player registrations");
    set(Ctl::cmdDraw, false, u"Draw", u"Draw Players for this round");
    set(Ctl::cmdList, false, u"Players", u"List registered players");
    set(Ctl::vsDrawCnt, true, u"", u"");
    set(Ctl::txtDrawCnt, true, u"", u"How many players to call down");
    s[Ctl::txtDrawCnt].caption = QString::number(scrollDrawCount(s.scrollValue));
    set(Ctl::lblWordOf, true, u"", u"Player's response will show here");
    set(Ctl::lblWord, true, u"Load Orvellas", u"Current Word");
    set(Ctl::lblPlayercnt, true, u"0", u"");
    set(Ctl::mnuLoad, true, u"&Load", u"Load");
    set(Ctl::mnuRecover, true, u"&Recover", u"Recover");
    return s;
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
