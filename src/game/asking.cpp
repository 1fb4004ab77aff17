#include "game/asking.h"

#include "base/ansi.h"
#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/ticksource.h"
#include "game/boxpick.h"
#include "game/busystate.h"
#include "game/chatlines.h"
#include "game/consolestate.h"
#include "game/countdown.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/marking.h"
#include "game/progress.h"
#include "game/resultsrecorder.h"
#include "game/template.h"

#include <algorithm>

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

namespace {

PlayerRec &askedPlayer(GameState &gs)
{
    // DownPointer stays within 0..10 (the log reader and every writer keep
    // it there); entry 0 is an empty record.
    return gs.Down[std::clamp<int>(gs.DownPointer, 0, MaxDown)];
}

// During the box call only the macro buttons and the boxes window may be
// used. A macro sent meanwhile leaves them disabled with the rest of its
// busy state, so they are given back after every event the wait handles.
void keepOnlyMacros(Console &console)
{
    console.setMenusEnabled(false);
    console.setControlEnabled(Ctl::cmdList, false);
    console.setControlEnabled(Ctl::cmdGetRegs, false);
    console.setControlEnabled(Ctl::cmdDraw, false);
    console.setMacrosEnabled(true);
}

void match(GameContext &ctx, const QString &response)
{
    GameState &gs = ctx.gs;
    const QString name = askedPlayer(gs).Name;
    const QString message = FillTemplate(gs.WTG, name, response);

    // One winner per word and at most ten words; a log edited by hand could
    // claim more, which must not write past the list.
    if (gs.WinnerCount < MaxWinners) {
        ++gs.WinnerCount;
        gs.Winners[gs.WinnerCount] = WinnerRec{name, QString()};
    }
    for (int i = 1; i <= gs.PlayerCount; ++i) {
        PlayerRec &p = gs.Players[i];
        if (p.Name == name) {
            p.Level += 4;
            p.Drawn = 0;
        } else if (p.Drawn > 0) {
            p.Level += 2;
            p.Drawn = 0;
        }
    }
    ctx.link.SendChat(SendMode::Room, QString(), message);

    gs.BoxMode = BoxMode::CallWinner;
    const int index = gs.WordIndex;
    const QString word = currentWord(gs);
    if (ctx.showBoxWindow) {
        BoxPick pick;
        openBoxes(gs, pick, BoxMode::CallWinner);
        ctx.showBoxWindow(pick);
        ctx.console.setMacrosEnabled(true);
        runBoxPick(gs, ctx.link, pick, [&] { keepOnlyMacros(ctx.console); });
        ctx.console.setMacrosEnabled(false);
    } else {
        // Nothing could ever close a window that cannot be shown.
        gs.BoxMode = BoxMode::EditDefaults;
    }

    if (gs.WordIndex < gs.WordCount) {
        ++gs.WordIndex;
        ctx.console.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
        ctx.console.setCaption(Ctl::lblWord, currentWord(gs));
        ctx.console.setControlEnabled(Ctl::vsDrawCnt, true);
    } else {
        gs.WordIndex = checkedAdd(gs.WordIndex, 1);
        ctx.console.setCaption(Ctl::lblWordOf, QStringLiteral("(no more)"));
        ctx.console.setCaption(Ctl::lblWord, QStringLiteral("(no more)"));
    }
    for (int k = 1; k <= std::min<int>(gs.DownCount, MaxDown); ++k)
        gs.Down[k] = PlayerRec();
    gs.DownCount = 0;
    gs.DownPointer = 0;
    gs.PatternSaid.clear();
    // Told once the box is called, so a kill during the call leaves the
    // word to be played again, in the store as in the log.
    if (ctx.results) {
        ctx.results->answered(index, word, name, response, response,
                              ResultsRecorder::Verdict::Match);
        const int w = std::clamp<int>(gs.WinnerCount, 0, MaxWinners);
        ctx.results->wordWon(index, word, name, gs.Winners[w].Box);
        if (gs.WordIndex > gs.WordCount)
            ctx.results->gameEnded();
    }
    saveProgress(ctx);
    ctx.console.clearList(List::lstDown);
    RestoreControls(ctx);
}

void miss(GameContext &ctx, const QString &word, const QString &response)
{
    GameState &gs = ctx.gs;
    gs.Guess = MarkTable::mark(word, response).marks();
    const QString name = askedPlayer(gs).Name;
    if (ctx.results)
        ctx.results->answered(gs.WordIndex, word, name, response, gs.Guess,
                              ResultsRecorder::Verdict::Miss);
    passTurn(ctx, name, FillTemplate(gs.Sorry, name, response));
    ctx.console.setControlEnabled(Ctl::cmdAsk, true);
    RestoreControls(ctx);
}

} // namespace

void passTurn(GameContext &ctx, const QString &name, const QString &message)
{
    GameState &gs = ctx.gs;
    for (int i = 1; i <= gs.PlayerCount; ++i)
        if (gs.Players[i].Name == name)
            gs.Players[i].Drawn += 1;
    ctx.link.SendChat(SendMode::Room, QString(), message);
    if (gs.DownPointer < gs.DownCount)
        ++gs.DownPointer;
    else
        gs.DownPointer = 1;
    saveProgress(ctx);
    ctx.console.selectRow(List::lstDown, gs.DownPointer - 1);
    ctx.console.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
    ctx.console.setCaption(Ctl::lblWord, currentWord(gs));
}

QString askLine(const QString &name, const QString &guess)
{
    const QString said = saidPattern(guess);
    return name + QStringLiteral(", your word is ") + said +
           (said.isEmpty() ? QString() : QStringLiteral(" "));
}

QString saidPattern(const QString &guess)
{
    QStringList parts;
    for (const QChar c : guess)
        parts << (c == u' ' ? QStringLiteral("--") : QString(c));
    return parts.join(u' ');
}

QString wordOfCaption(const GameState &gs)
{
    return QStringLiteral("Word %1 of %2").arg(gs.WordIndex).arg(gs.WordCount);
}

QString currentWord(const GameState &gs)
{
    if (gs.WordIndex < 1 || gs.WordIndex > gs.WordCount || gs.WordIndex > MaxWords)
        return QString();
    return gs.Words[gs.WordIndex];
}

void AskingSequence(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    const QString name = askedPlayer(gs).Name;
    const QString banner = QString(16, u'«') + QString(16, u'»');
    const QString line = askLine(name, gs.Guess);

    if (gs.Calldown)
        ctx.link.SendChat(SendMode::Private, name, gs.CalldownMSG);
    ctx.link.SendChat(SendMode::Room, QString(), banner);
    ctx.link.My_Wait(gs.Delay);
    ctx.link.SendChat(SendMode::Room, QString(), line);
    gs.PatternSaid = gs.Guess;

    if (gs.WordIndex >= 0 && gs.WordIndex <= MaxWords)
        gs.Asked[gs.WordIndex] = true;
    if (!gs.CountdownOn && gs.Auto > 0) {
        gs.CountdownLeft = gs.Auto;
        ctx.timer2.setEnabled(true);
    }
    saveProgress(ctx);
    ctx.console.setControlEnabled(Ctl::cmdCountdown, true);
    ctx.console.setControlEnabled(Ctl::cmdGet, true);
}

void cmdGet_Click(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
    ctx.console.setControlEnabled(Ctl::cmdGet, false);
    ctx.console.setControlEnabled(Ctl::cmdCountdown, false);

    ctx.link.WaitForChat();
    // Only his own last line counts, cut here: the link's shared cutter may
    // be in use by a step this one interrupted.
    if (const std::optional<QString> line = lastLineOf(ctx.link.ChatText(), askedPlayer(gs).Name)) {
        const QString response = Ansi::upper(Ansi::trimSpaces(*line));
        askedPlayer(gs).Response = response;
        ctx.console.setCaption(Ctl::lblWordOf, response);
        ctx.console.setControlEnabled(Ctl::cmdCheck, true);

        stopAutomaticCountdown(ctx);
        ctx.console.setCaption(Ctl::cmdCountdown, QStringLiteral("Countdown"));
    }
    ctx.console.setControlEnabled(Ctl::cmdCountdown, true);
    ctx.console.setControlEnabled(Ctl::cmdGet, true);
    RestoreControls(ctx);
}

void cmdCheck_Click(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    for (Ctl c : {Ctl::cmdCheck, Ctl::cmdGet, Ctl::cmdAsk, Ctl::cmdCountdown})
        ctx.console.setControlEnabled(c, false);
    stopAutomaticCountdown(ctx);
    if (const auto caption = countdownCaption(gs.Auto))
        ctx.console.setCaption(Ctl::cmdCountdown, *caption);

    const QString word = currentWord(gs);
    const QString response = askedPlayer(gs).Response;
    if (word == response)
        match(ctx, response);
    else
        miss(ctx, word, response);
}
