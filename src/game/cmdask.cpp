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
    ctx.controls.setEnabled(Ctl::cmdAsk, false);
    switch (ctx.gs.GamePhase) {
    case 2:
        AskingSequence(ctx);
        break;
    case 1:
        OpenGame(ctx);
        ctx.controls.setCaption(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.controls.setToolTip(Ctl::cmdAsk, QStringLiteral("Ask"));
        ctx.controls.setEnabled(Ctl::mnuLoad, false);
        ctx.controls.setEnabled(Ctl::mnuRecover, false);
        break;
    case 0:
        LoadWords(ctx);
        ctx.controls.setEnabled(Ctl::cmdAsk, true);
        ctx.controls.setToolTip(Ctl::cmdAsk, QStringLiteral("Start"));
        break;
    default:
        break;
    }
    RestoreControls(ctx.controls, ctx.gs);
}
