#include "game/loadwords.h"

#include "game/gamefiles.h"
#include "game/busystate.h"
#include "base/failure.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "base/hostdialogs.h"
#include "game/maincontrols.h"

using Ctl = MainControls::Ctl;

void LoadWords(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx.controls);
    const std::optional<QString> chosen =
        ctx.dialogs.openFile(QStringLiteral("Orvella (*.TXT)|*.txt|All Files (*.*)|*.*"));
    // An empty path is a dialog that failed: treated as a cancel.
    if (chosen && !chosen->isEmpty()) {
        gs.WordFile = *chosen;
        try {
            const int n = readWordFile(gs.WordFile, gs);
            gs.WordCount = static_cast<Integer>(n);
            if (n >= 1) {
                ctx.controls.setCaption(Ctl::cmdAsk, QStringLiteral("Start"));
                gs.GamePhase = 1;
                ctx.controls.setCaption(Ctl::lblWordOf, QStringLiteral("Press Start"));
                ctx.controls.setCaption(Ctl::lblWord, QStringLiteral("to Begin"));
                // Before the game starts, while loading another file is still possible.
                if (const QString text = unresumablePathText(gs.WordFile); !text.isEmpty())
                    ctx.dialogs.message(text, wordFileFailureTitle());
            }
        } catch (const Failure &failure) {
            // The words read before the failure stay, but the count, the phase
            // and the captions keep describing the list loaded before.
            ctx.dialogs.message(wordFileFailureText(failure), wordFileFailureTitle());
        }
    }
    RestoreControls(ctx.controls, gs);
}
