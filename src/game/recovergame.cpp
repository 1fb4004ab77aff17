#include "game/recovergame.h"

#include "base/failure.h"
#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "files/fileio.h"
#include "files/linereader.h"
#include "files/recoveryreader.h"
#include "game/asking.h"
#include "game/banner.h"
#include "game/busystate.h"
#include "game/chatlines.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamefiles.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/hostecho.h"
#include "game/progress.h"
#include "game/registration.h"
#include "game/reportwrite.h"
#include "game/resultsrecorder.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <optional>

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

namespace {

// The echo's line must start after the first line break of a window of this
// many characters in front of the echo.
constexpr qsizetype EchoWindow = 41;
void say(GameContext &ctx, const QString &line)
{
    ctx.link.SendChat(SendMode::Room, QString(), line);
    ctx.link.My_Wait(ctx.gs.Delay);
}

// The name is read as the opening reads it, so a stranger who repeats the
// title cannot pass for the host here either, but at the newest echo: the
// room may replay an earlier game's opening in front of it.
bool hostConfirmed(GameContext &ctx)
{
    bool confirmed = false;
    fetchForEcho(ctx, [&](const QString &text) {
        if (lastIndexOfRare(text, titleLine()) < EchoWindow)
            return EchoLook::NotYet;
        const std::optional<HostEcho> echo =
            findHostEcho(text, ctx.link.clientHostName(), EchoPick::Last);
        confirmed = echo && !echo->name.isEmpty() && echo->name == ctx.gs.HostName;
        return EchoLook::Done;
    });
    return confirmed;
}

void badRecovery(GameContext &ctx)
{
    ctx.dialogs.message(QStringLiteral("Bad recovery file found"), QStringLiteral("Bad Recovery"));
    ctx.console.setControlEnabled(Ctl::cmdAsk, true);
    ctx.console.setCaption(Ctl::lblWordOf, QString());
    ctx.console.setCaption(Ctl::lblWord, QStringLiteral("Load Orvellas"));
    say(ctx, QStringLiteral("Recovery Failed"));
    RestoreControls(ctx);
}

void freshStart(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    ctx.console.setCaption(Ctl::lblWordOf, QString());
    ctx.console.setCaption(Ctl::lblWord, QStringLiteral("Load Orvellas"));
    say(ctx, QStringLiteral("No Recovery File"));
    ctx.link.SendChat(SendMode::Room, QString(), QStringLiteral("Everyone Re-Register, please"));
    gs.WordIndex = 1;
    gs.DownCount = 0;
    gs.DownPointer = 0;
    gs.PlayerCount = 0;
    ctx.console.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
    ctx.console.setCaption(Ctl::lblWord, currentWord(gs));
    ctx.console.setControlEnabled(Ctl::mnuRecover, false);
    ctx.console.setControlEnabled(Ctl::mnuLoad, false);
    gs.GamePhase = GamePhase::Open;
    ctx.console.setCaption(Ctl::cmdAsk, QStringLiteral("Ask"));
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
    RestoreControls(ctx);
}

void askCaption(GameContext &ctx)
{
    ctx.console.setCaption(Ctl::cmdAsk, QStringLiteral("Ask"));
    ctx.console.setControlTip(Ctl::cmdAsk, QStringLiteral("Ask"));
}

void showRestored(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    SortPlayers(gs);
    RefillPlayers(gs, ctx.console);
    ctx.console.setCaption(Ctl::lblPlayercnt, QString::number(gs.PlayerCount));
    ctx.console.clearList(List::lstDown);

    // Get Regs, the players' list and the draw are RestoreControls' to give
    // back, as after any step; it leaves the draw alone past the last word,
    // where the resume offers it while nobody is down.
    if (gs.DownCount < 1) {
        for (Ctl c : {Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck})
            ctx.console.setControlEnabled(c, false);
        ctx.console.setControlEnabled(Ctl::vsDrawCnt, true);
        if (gs.PlayerCount > 0)
            ctx.console.setControlEnabled(Ctl::cmdDraw, true);
    } else {
        for (int i = 1; i <= gs.DownCount; ++i)
            ctx.console.addToList(List::lstDown, gs.Down[i].Name);
        ctx.console.selectRow(List::lstDown, gs.DownPointer - 1);
        ctx.console.setControlEnabled(Ctl::cmdAsk, true);
        ctx.console.setControlEnabled(Ctl::vsDrawCnt, false);
    }
    ctx.console.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
    ctx.console.setCaption(Ctl::lblWord, currentWord(gs));
    ctx.console.setControlEnabled(Ctl::mnuRecover, false);
    ctx.console.setControlEnabled(Ctl::mnuLoad, false);
    gs.GamePhase = GamePhase::Open;
    say(ctx, QStringLiteral("Recovery Complete"));
    RestoreControls(ctx);
}

} // namespace

void RecoverGame(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    // As at Start: the room hears nothing of a game nobody could join.
    if (gs.RegChar.isEmpty()) {
        ctx.dialogs.message(noRegCharText(QStringLiteral("choose File > Recover")),
                            QStringLiteral("Recover"));
        return;
    }
    LockControls(ctx);
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
    const QString banner[] = {titleLine(), versionLine(), contactLine()};

    ctx.console.setCaption(Ctl::lblWordOf, QStringLiteral("Recovery"));
    ctx.console.setCaption(Ctl::lblWord, QStringLiteral("Begun"));
    say(ctx, QStringLiteral("Recovery Begun"));

    // The log is read whole at once: nothing stays open across the waits.
    QByteArray logBytes;
    QBuffer log(&logBytes);
    std::optional<RecoveryReader> reader;
    auto logFailed = [&](const Failure &failure) {
        ctx.dialogs.message(logFailureText(failure, gs.LogFile), programErrorTitle());
        RestoreControls(ctx);
    };
    try {
        logBytes = FileIO::readBytes(gs.LogFile, LineReader::MaxFileBytes);
        log.open(QIODevice::ReadOnly);
        reader.emplace(log);
        gs.WordFile = reader->readWordFilePath();
    } catch (const Failure &failure) {
        logFailed(failure);
        return;
    }

    try {
        gs.WordCount = static_cast<Integer>(readWordFile(gs.WordFile, gs));
    } catch (const Failure &failure) {
        // A word file that has gone is said too: the host must learn why
        // the game does not resume.
        ctx.dialogs.message(logFailureText(failure, gs.WordFile), programErrorTitle());
        RestoreControls(ctx);
        return;
    }

    try {
        gs.HostName = reader->readHostName();
    } catch (const Failure &failure) {
        logFailed(failure);
        return;
    }

    say(ctx, banner[0]);
    if (!hostConfirmed(ctx)) {
        badRecovery(ctx);
        return;
    }

    say(ctx, banner[1]);
    say(ctx, banner[2]);
    say(ctx, invitationLine(gs.RegChar, gs.HostName));

    RecoveryReader::Body body;
    QByteArray print;
    // What was read before a failure stays restored.
    LogBody restored = logBodyOf(gs);
    try {
        body = reader->readBody(restored);
        restoreLogBody(restored, gs);
        // A body without a print can never be written again either: the store
        // must not take it for a log whose rows it then drops.
        if (body != RecoveryReader::Body::FreshStart)
            print = logPrint(restored);
    } catch (const Failure &failure) {
        restoreLogBody(restored, gs);
        // The body is read only once [Word] was found, so the main button
        // already reads Ask, and a draw count read before the failure shows.
        askCaption(ctx);
        ctx.console.setScrollValue(drawCountScroll(gs.DrawCount));
        logFailed(failure);
        return;
    }
    if (ctx.results)
        ctx.results->gameResumed(gs, reader->gameStartLine(), print);
    if (body == RecoveryReader::Body::FreshStart) {
        freshStart(ctx);
        return;
    }
    askCaption(ctx);
    ctx.console.setScrollValue(drawCountScroll(gs.DrawCount));
    showRestored(ctx);
}
