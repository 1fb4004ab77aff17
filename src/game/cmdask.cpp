#include "game/cmdask.h"

#include "game/asking.h"
#include "game/busystate.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/loadwords.h"
#include "game/opening.h"

using Ctl = ConsoleState::Ctl;

void cmdAsk_Click(GameContext &ctx)
{
    LockControls(ctx);
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
    switch (ctx.gs.GamePhase) {
    case GamePhase::Open:
        AskingSequence(ctx);
        break;
    case GamePhase::Loaded:
        OpenGame(ctx);
        ctx.console.setCaption(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.console.setControlTip(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.console.setControlEnabled(Ctl::mnuLoad, false);
        ctx.console.setControlEnabled(Ctl::mnuRecover, false);
        break;
    case GamePhase::NoWords:
        LoadWords(ctx);
        ctx.console.setControlEnabled(Ctl::cmdAsk, true);
        ctx.console.setControlTip(Ctl::cmdAsk, QStringLiteral("Start"));
        break;
    default:
        break;
    }
    RestoreControls(ctx);
}
