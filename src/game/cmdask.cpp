#include "game/cmdask.h"

#include "game/asking.h"
#include "game/busystate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/loadwords.h"
#include "game/maincontrols.h"
#include "game/opening.h"

using Ctl = MainControls::Ctl;

void cmdAsk_Click(GameContext &ctx)
{
    LockControls(ctx.controls);
    ctx.controls.setControlEnabled(Ctl::cmdAsk, false);
    switch (ctx.gs.GamePhase) {
    case 2:
        AskingSequence(ctx);
        break;
    case 1:
        OpenGame(ctx);
        ctx.controls.setCaption(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.controls.setControlTip(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.controls.setControlEnabled(Ctl::mnuLoad, false);
        ctx.controls.setControlEnabled(Ctl::mnuRecover, false);
        break;
    case 0:
        LoadWords(ctx);
        ctx.controls.setControlEnabled(Ctl::cmdAsk, true);
        ctx.controls.setControlTip(Ctl::cmdAsk, QStringLiteral("Start"));
        break;
    default:
        break;
    }
    RestoreControls(ctx.controls, ctx.gs);
}
