#include "game/loadwords.h"

#include "base/failure.h"
#include "base/hostdialogs.h"
#include "game/busystate.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamefiles.h"
#include "game/gamestate.h"

using Ctl = ConsoleState::Ctl;

void LoadWords(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    const std::optional<QString> chosen =
        ctx.dialogs.openFile(QStringLiteral("Orvella (*.TXT)|*.txt|All Files (*.*)|*.*"));
    // An empty path is a dialog that failed: treated as a cancel.
    if (chosen && !chosen->isEmpty()) {
        gs.WordFile = *chosen;
        try {
            const int n = readWordFile(gs.WordFile, gs);
            gs.WordCount = static_cast<Integer>(n);
            if (n >= 1) {
                ctx.console.setCaption(Ctl::cmdAsk, QStringLiteral("Start"));
                gs.GamePhase = GamePhase::Loaded;
                ctx.console.setCaption(Ctl::lblWordOf, QStringLiteral("Press Start"));
                ctx.console.setCaption(Ctl::lblWord, QStringLiteral("to Begin"));
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
    RestoreControls(ctx);
}
