#include "macros/macrobuttons.h"

#include "chat/chatlink.h"
#include "game/busystate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "macros/macroexpand.h"

#include <QStringList>

void ExpandMacro(int index, GameContext &ctx, ScoreFigures *scores)
{
    const GameState &gs = ctx.gs;
    LockControls(ctx);
    // The lines are cut here, not by the link's shared cutter: a step that
    // runs during a pause (a countdown whose Yes reads the room's chat)
    // would hand its own block to it, and the room would hear that instead.
    const QStringList lines = gs.Macros.at(index).Text.split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        if (line.isEmpty())
            break;
        const QString expanded = expandMacroLine(line, gs, scores);
        if (!expanded.isEmpty()) {
            ctx.link.SendChat(SendMode::Room, QString(), expanded);
            ctx.link.My_Wait(gs.Delay);
        }
    }
    RestoreControls(ctx);
}
