#include "game/countdown.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/ticksource.h"
#include "chat/waits.h"
#include "game/asking.h"
#include "game/busystate.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/resultsrecorder.h"

#include <algorithm>

using Ctl = ConsoleState::Ctl;

namespace {

// The pause between closing lines is fixed, whatever the speed setting.
constexpr Integer ClosingPause = 2;

} // namespace

void stopAutomaticCountdown(GameContext &ctx)
{
    ctx.gs.CountdownOn = false;
    ctx.timer2.setEnabled(false);
    ctx.gs.CountdownLeft = 0;
}

void cancelCountdown(GameContext &ctx)
{
    stopAutomaticCountdown(ctx);
    ctx.console.setCaption(Ctl::cmdCountdown, QStringLiteral("Countdown"));
    for (Ctl c : {Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCountdown})
        ctx.console.setControlEnabled(c, true);
}

void countdownSecond(GameContext &ctx,
                     const std::function<void(const std::function<void()> &)> &runStep)
{
    bool linkFailed = false;
    runStep([&] {
        try {
            Timer2_Timer(ctx);
        } catch (const LinkDown &) {
            linkFailed = true;
            throw;
        }
    });
    if (linkFailed)
        cancelCountdown(ctx);
}

std::optional<QString> countdownCaption(int autoSeconds)
{
    switch (autoSeconds) {
    case 0:
        return QStringLiteral("Countdown");
    case 15:
    case 30:
    case 60:
        return QStringLiteral("Auto %1").arg(autoSeconds);
    default:
        return std::nullopt;
    }
}

QStringList closingLines()
{
    return {
        QStringLiteral("******   CLOSING   ******"),
        QStringLiteral("*********   5   *********"),
        QStringLiteral("********   4   ********"),
        QStringLiteral("*******   3   *******"),
        QStringLiteral("******   2   ******"),
        QStringLiteral("*****   1   *****"),
        QStringLiteral("*************"),
        QStringLiteral("* CLOSED *"),
        QStringLiteral("*************"),
    };
}

void cmdCountdown_Click(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    for (Ctl c : {Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck, Ctl::cmdCountdown})
        ctx.console.setControlEnabled(c, false);

    if (gs.CountdownOn) {
        cancelCountdown(ctx);
    } else {
        // Clicked within the second after an ask: the automatic countdown is
        // armed but has not spoken yet. Left armed, its first tick would
        // start announcing seconds in the middle of this closing.
        if (ctx.timer2.enabled())
            stopAutomaticCountdown(ctx);
        if (const auto caption = countdownCaption(gs.Auto))
            ctx.console.setCaption(Ctl::cmdCountdown, *caption);

        if (ctx.results)
            ctx.results->countdownRun();
        for (const QString &line : closingLines()) {
            ctx.link.SendChat(SendMode::Room, QString(), line);
            ctx.link.My_Wait(ClosingPause);
        }

        const QString name = gs.Down[std::clamp<int>(gs.DownPointer, 0, MaxDown)].Name;
        const auto answer =
            ctx.dialogs.ask(QStringLiteral("Did ") + name + QStringLiteral(" respond in time??"),
                            QStringLiteral("Countdown"));
        if (answer == HostDialogs::Answer::Yes) {
            cmdGet_Click(ctx);
            ctx.console.setControlEnabled(Ctl::cmdGet, true);
            RestoreControls(ctx);
            return;
        }
        // A no counts as a miss for the draw order but leaves the pattern.
        if (ctx.results)
            ctx.results->answered(gs.WordIndex, currentWord(gs), name, QString(), QString(),
                                  ResultsRecorder::Verdict::TimeRanOut);
        passTurn(ctx, name, QStringLiteral("Sorry ") + name + QStringLiteral(", time ran out"));
    }
    ctx.console.setControlEnabled(Ctl::cmdAsk, true);
    RestoreControls(ctx);
}

void Timer2_Timer(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
    ctx.console.setControlEnabled(Ctl::cmdCountdown, false);

    if (gs.CountdownOn) {
        gs.CountdownLeft = checkedAdd(gs.CountdownLeft, -1);
    } else {
        // The first tick announces the time and does not count down.
        LockControls(ctx);
        ctx.console.setControlEnabled(Ctl::cmdGet, false);
        gs.CountdownOn = true;
        gs.CountdownFrom = gs.CountdownLeft;
        ctx.link.SendChat(SendMode::Room, QString(),
                          QStringLiteral("***  You have %1 seconds ***").arg(gs.CountdownLeft));
        RestoreControls(ctx);
    }
    if (gs.CountdownLeft == 10) {
        LockControls(ctx);
        ctx.console.setControlEnabled(Ctl::cmdGet, false);
        ctx.link.SendChat(SendMode::Room, QString(),
                          QStringLiteral("***  Closing in 10 seconds  ***"));
        RestoreControls(ctx);
    }
    ctx.console.setCaption(Ctl::cmdCountdown, QStringLiteral("Auto %1").arg(gs.CountdownLeft));
    ctx.console.setControlEnabled(Ctl::cmdCountdown, true);
    ctx.console.setControlEnabled(Ctl::cmdGet, true);

    if (gs.CountdownLeft < 6) {
        ctx.console.setControlEnabled(Ctl::cmdCountdown, false);
        stopAutomaticCountdown(ctx);
        cmdCountdown_Click(ctx);
    }
}
