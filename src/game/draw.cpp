#include "game/draw.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "game/busystate.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/progress.h"
#include "game/resultsrecorder.h"

#include <vector>

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

namespace {

constexpr int HighestLevel = 65;

void say(GameContext &ctx, const QString &line)
{
    ctx.link.SendChat(SendMode::Room, QString(), line);
}

bool isDown(const GameState &gs, const QString &name)
{
    for (int i = 1; i <= gs.DownCount; ++i)
        if (gs.Down[i].Name == name)
            return true;
    return false;
}

// A player who is called down no more loses the level the call gave him.
void lowerLevel(GameState &gs, const QString &name)
{
    for (int i = 1; i <= gs.PlayerCount; ++i)
        if (gs.Players[i].Name == name && gs.Players[i].Level > 0)
            gs.Players[i].Level -= 1;
}

QString patternOf(const QString &word)
{
    return word.left(1) + QString(word.size() - 1, u' ');
}

void drawSucceeded(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    for (int i = 1; i <= gs.PlayerCount; ++i) {
        if (gs.Players[i].Drawn > 0)
            gs.Players[i].Level += 1;
        gs.Players[i].Drawn = 0;
    }
    ctx.console.clearList(List::lstDown);
    if (gs.Calldown) {
        for (int i = 1; i <= gs.DownCount; ++i) {
            ctx.link.SendChat(SendMode::Private, gs.Down[i].Name, gs.CalldownMSG);
            ctx.link.My_Wait(gs.Delay);
        }
    }
    say(ctx, QStringLiteral("The following players have been selected to play:"));
    ctx.link.My_Wait(gs.Delay);
    for (int i = 1; i <= gs.DownCount; ++i) {
        ctx.console.addToList(List::lstDown, gs.Down[i].Name);
        say(ctx, QString::number(i) + QStringLiteral(". ") + gs.Down[i].Name +
                     QStringLiteral(", come on down!"));
        ctx.link.My_Wait(gs.Delay);
    }
    say(ctx, QStringLiteral("-o-o-o-"));
    gs.DownPointer = 1;
    ctx.console.selectRow(List::lstDown, 0);
    // A draw offered past the last word has no word to show a pattern of.
    if (gs.WordIndex >= 1 && gs.WordIndex <= MaxWords && !gs.Words[gs.WordIndex].isEmpty())
        gs.Guess = patternOf(gs.Words[gs.WordIndex]);
    saveProgress(ctx);
    gs.ReplaceName.clear();
    ctx.console.setControlEnabled(Ctl::vsDrawCnt, false);
    ctx.console.setControlEnabled(Ctl::cmdAsk, true);
}

void drawFailed(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    say(ctx, QStringLiteral("No more players available"));
    say(ctx, QStringLiteral("Resetting this round"));
    for (int i = 1; i <= gs.DownCount; ++i) {
        lowerLevel(gs, gs.Down[i].Name);
        gs.Down[i] = PlayerRec();
    }
    gs.DownCount = 0;
    gs.DownPointer = 0;
    gs.ReplaceName.clear();
    saveProgress(ctx);
    ctx.console.clearList(List::lstDown);
    ctx.console.setControlEnabled(Ctl::vsDrawCnt, true);
    ctx.console.setControlEnabled(Ctl::cmdDraw, true);
    ctx.console.setControlEnabled(Ctl::cmdAsk, false);
}

// Fewer registered players than the draw needs: the host is warned and
// nothing changes.
bool enoughPlayers(GameContext &ctx, int n)
{
    if (ctx.gs.PlayerCount >= n)
        return true;
    ctx.dialogs.message(QStringLiteral("Not enough players!"), QStringLiteral("Warning!"));
    ctx.console.setControlEnabled(Ctl::cmdDraw, true);
    return false;
}

} // namespace

bool PickPlayers(GameState &gs, int n, std::mt19937 &random)
{
    int drawn = 0;
    std::vector<int> pool;
    pool.reserve(MaxPlayers);
    for (int level = 0; level <= HighestLevel; ++level) {
        if (drawn >= n)
            break;
        pool.clear();
        for (int i = 1; i <= gs.PlayerCount; ++i) {
            const PlayerRec &p = gs.Players[i];
            // Levels are whole numbers; one that is not never matches and is
            // never drawn.
            if (p.Level == float(level) && !isDown(gs, p.Name) && p.Name != gs.ReplaceName)
                pool.push_back(i);
        }
        // Down has room for MaxDown players whatever n asks for.
        while (drawn < n && !pool.empty() && gs.DownCount < MaxDown) {
            std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
            const auto k = pool.begin() + std::ptrdiff_t(pick(random));
            PlayerRec &player = gs.Players[*k];
            ++drawn;
            gs.DownCount = checkedAdd(gs.DownCount, 1);
            gs.Down[gs.DownCount] = PlayerRec();
            gs.Down[gs.DownCount].Name = player.Name;
            player.Drawn += 1;
            pool.erase(k);
        }
    }
    return drawn >= n;
}

void Draw(GameContext &ctx, int n)
{
    GameState &gs = ctx.gs;
    if (!enoughPlayers(ctx, n))
        return;
    if (!gs.ReplaceName.isEmpty())
        lowerLevel(gs, gs.ReplaceName);
    const int before = gs.DownCount;
    if (PickPlayers(gs, n, ctx.random)) {
        if (ctx.results && gs.WordIndex >= 1 && gs.WordIndex <= MaxWords) {
            QStringList called;
            for (int i = before + 1; i <= gs.DownCount; ++i)
                called << gs.Down[i].Name;
            ctx.results->calledDown(gs.WordIndex, gs.Words[gs.WordIndex], called);
        }
        drawSucceeded(ctx);
    } else
        drawFailed(ctx);
}

void cmdDraw_Click(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    if (gs.DownCount != 0) {
        say(ctx, QStringLiteral("The following players are selected to play:"));
        ctx.link.My_Wait(gs.Delay);
        for (int i = 1; i <= gs.DownCount; ++i) {
            say(ctx, QString::number(i) + QStringLiteral(". ") + gs.Down[i].Name);
            ctx.link.My_Wait(gs.Delay);
        }
        say(ctx, QStringLiteral("-o-o-o-"));
    } else {
        Draw(ctx, gs.DrawCount);
    }
    RestoreControls(ctx);
}

void DrawAnotherPlayer(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    const int k = ctx.console.selectedRow(List::lstDown) + 1;
    // With nobody registered the replacement could only fail after taking
    // the player out of Down while lstDown still shows him, so it is refused
    // before anything changes.
    if (k >= 1 && k <= gs.DownCount && enoughPlayers(ctx, 1)) {
        gs.ReplaceName = gs.Down[k].Name;
        for (const QString &line :
             {QStringLiteral("«»  Replacing ") + gs.Down[k].Name + QStringLiteral("  «»"),
              QStringLiteral("«»  Re-Drawing  «»"), QStringLiteral("«»«»«»«»«»«»«»«»")}) {
            say(ctx, line);
            ctx.link.My_Wait(gs.Delay);
        }
        for (int i = k; i < gs.DownCount; ++i)
            gs.Down[i] = gs.Down[i + 1];
        gs.Down[gs.DownCount] = PlayerRec();
        gs.DownCount = checkedAdd(gs.DownCount, -1);
        Draw(ctx, 1);
    }
    RestoreControls(ctx);
}

void takeDrawCount(GameState &gs, Console &console)
{
    gs.DrawCount = scrollDrawCount(console.state().scrollValue);
    console.setCaption(ConsoleState::Ctl::txtDrawCnt, QString::number(gs.DrawCount));
}
