#include "game/registration.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/gestures.h"
#include "game/busystate.h"
#include "game/chatlines.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/hostecho.h"
#include "game/progress.h"
#include "game/resultsrecorder.h"

#include <QHash>
#include <QStringView>

#include <algorithm>
#include <utility>
#include <vector>

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

QString playerListFullText()
{
    return QStringLiteral("The player list is full (%1 players).").arg(MaxPlayers);
}

QString playerListFullTitle()
{
    return QStringLiteral("Get Regs");
}

void GetRegs(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    const QString key = regKey(gs.RegChar);

    ctx.link.WaitForChat();
    const QString text = ctx.link.ChatText();
    // Registrations made before the latest opening belong to an earlier
    // game; the line holding its echo is no one's message. Where the client
    // names the host, a player who says the title moves nothing.
    const qsizetype echo = lastEchoUnder(text, ctx.link.clientHostName());
    const QStringView rest = QStringView(text).mid(echo < 0 ? 0 : lineStartFrom(text, echo + 1));

    // Line by line as GetNext cuts them, but without copying the rest of the
    // block at every line: a flood of ESPs must not take quadratic time. The
    // scan begins at the first private message and ends at an empty line.
    bool turnedAway = false;
    bool scanning = false;
    QHash<QStringView, bool> seen;
    for (qsizetype at = 0; at < rest.size();) {
        const qsizetype end = indexOfCrLf(rest, at);
        const QStringView line = end < 0 ? rest.mid(at) : rest.mid(at, end - at);
        at = end < 0 ? rest.size() : end + CrLf.size();
        const std::optional<QStringView> message = privateMessage(line);
        scanning = scanning || message;
        if (!scanning)
            continue;
        if (line.isEmpty())
            break;
        if (!message)
            continue;
        const qsizetype k = message->indexOf(key);
        if (k < 0 || message->mid(k) != key)
            continue;
        const QStringView name = message->left(k);
        // A name met before in this block was registered or turned away
        // then, and would be again.
        if (!plausibleName(name) || std::exchange(seen[name], true))
            continue;
        if (Register(ctx, name.toString()) == Registration::ListFull)
            turnedAway = true;
    }
    SortPlayers(gs);
    RefillPlayers(gs, ctx.console);
    if (turnedAway)
        ctx.dialogs.message(playerListFullText(), playerListFullTitle());

    saveProgress(ctx);
    ctx.console.setCaption(Ctl::lblPlayercnt, QString::number(gs.PlayerCount));
    RestoreControls(ctx);
}

Registration Register(GameContext &ctx, const QString &name)
{
    GameState &gs = ctx.gs;
    for (int i = 1; i <= gs.PlayerCount; ++i)
        if (gs.Players[i].Name == name)
            return Registration::Duplicate;
    if (gs.PlayerCount >= MaxPlayers)
        return Registration::ListFull;
    gs.PlayerCount = checkedAdd(gs.PlayerCount, 1);
    // A slot freed by a deletion still holds a copy of another player's
    // level; a newcomer must not inherit it.
    gs.Players[gs.PlayerCount] = PlayerRec();
    gs.Players[gs.PlayerCount].Name = name;
    if (ctx.results)
        ctx.results->registered(name);
    if (gs.Confirm) {
        ctx.link.SendChat(SendMode::Private, name, QStringLiteral("You are registered"));
        ctx.link.My_Wait(gs.Delay);
    }
    return Registration::Added;
}

void SortPlayers(GameState &gs)
{
    // The exchange sort compares each lower-case key with the others many
    // times; it runs on the keys' ranks (equal keys, equal ranks), which
    // compare alike, and on slot numbers. The passes and their swaps are
    // the same as on the records themselves; the records move once at the end.
    const int count = std::clamp<int>(gs.PlayerCount, 0, MaxPlayers);
    std::vector<QString> keys(count + 1);
    for (int i = 1; i <= count; ++i)
        keys[i] = gs.Players[i].Name.toLower();
    std::vector<QString> distinct(keys.begin() + 1, keys.end());
    std::sort(distinct.begin(), distinct.end());
    std::vector<int> rank(count + 1), slot(count + 1);
    for (int i = 1; i <= count; ++i) {
        rank[i] =
            int(std::lower_bound(distinct.begin(), distinct.end(), keys[i]) - distinct.begin());
        slot[i] = i;
    }
    for (int i = 1; i <= count - 1; ++i) {
        for (int j = i + 1; j <= count; ++j) {
            if (rank[i] > rank[j]) {
                std::swap(rank[i], rank[j]);
                std::swap(slot[i], slot[j]);
            }
        }
    }
    std::vector<PlayerRec> sorted(count + 1);
    for (int i = 1; i <= count; ++i)
        sorted[i] = std::move(gs.Players[slot[i]]);
    for (int i = 1; i <= count; ++i)
        gs.Players[i] = std::move(sorted[i]);
}

void RefillPlayers(const GameState &gs, Console &console)
{
    console.clearList(List::lstPlayers);
    for (int i = 1; i <= gs.PlayerCount; ++i)
        console.addToList(List::lstPlayers, gs.Players[i].Name);
}

void ListPlayers(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx);
    for (Ctl c : {Ctl::cmdList, Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck})
        ctx.console.setControlEnabled(c, false);
    if (gs.PlayerCount >= 1) {
        ctx.link.SendChat(SendMode::Room, QString(),
                          QStringLiteral("The following players are registered:"));
        ctx.link.My_Wait(gs.Delay);
        for (int i = 1; i <= gs.PlayerCount; ++i) {
            ctx.link.SendChat(SendMode::Room, QString(), gs.Players[i].Name);
            ctx.link.My_Wait(gs.Delay);
        }
        ctx.link.SendChat(SendMode::Room, QString(), QStringLiteral("-o-o-o-o-"));
    } else {
        ctx.link.SendChat(SendMode::Room, QString(),
                          QStringLiteral("--- No players registered ---"));
    }
    if (gs.DownCount > 0)
        ctx.console.setControlEnabled(Ctl::cmdAsk, true);
    ctx.console.setControlEnabled(Ctl::cmdList, true);
    RestoreControls(ctx);
}

void DeletePlayer(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    const int k = ctx.console.selectedRow(List::lstPlayers) + 1;
    if (k < 1 || k > gs.PlayerCount) {
        ctx.dialogs.message(QStringLiteral("No player selected."), QStringLiteral("Delete?"));
        return;
    }
    const QString question = QStringLiteral("Do you want to remove ") + gs.Players[k].Name +
                             QStringLiteral(" from the game? ");
    if (ctx.dialogs.ask(question, QStringLiteral("Delete Player?")) != HostDialogs::Answer::Yes)
        return;
    for (int i = k; i < gs.PlayerCount; ++i)
        gs.Players[i] = gs.Players[i + 1];
    gs.Players[gs.PlayerCount] = PlayerRec();
    gs.PlayerCount = checkedAdd(gs.PlayerCount, -1);
    SortPlayers(gs);
    RefillPlayers(gs, ctx.console);
    ctx.console.setCaption(Ctl::lblPlayercnt, QString::number(gs.PlayerCount));
    // Only where a draw is on offer at all: before the opening or after the
    // last word there is no word to draw for.
    const bool drawOffered = gs.GamePhase == GamePhase::Open && gs.WordIndex <= gs.WordCount;
    ctx.console.setControlEnabled(Ctl::cmdDraw, drawOffered && gs.PlayerCount >= gs.DrawCount);
}
