#include "game/registration.h"

#include "chat/chatlink.h"
#include "files/recoverylog.h"
#include "game/banner.h"
#include "game/busystate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/gestures.h"
#include "game/hostdialogs.h"
#include "game/maincontrols.h"

#include <QStringView>

#include <utility>

using Ctl = MainControls::Ctl;
using List = MainControls::List;

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString EspFrom = QStringLiteral("ESP from");

// A real avatar name never holds a control character; one that does was put
// together from a stranger's message, and a line break in it would split the
// player's line in the recovery log.
bool plausibleName(QStringView name)
{
    for (QChar c : name)
        if (c.unicode() < 32)
            return false;
    return true;
}

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
    LockControls(ctx.controls);
    const QString key = regKey(gs.RegChar);

    ctx.link.WaitForChat();
    QString text = gs.ChatText;
    // Registrations made before the latest opening belong to an earlier game.
    const qsizetype echo = text.lastIndexOf(titleLine());
    if (echo >= 0)
        text.remove(0, echo + 1);

    bool turnedAway = false;
    const qsizetype from = text.indexOf(EspFrom);
    if (from >= 0) {
        // Line by line as GetNext cuts them, but without copying the rest of
        // the block at every line: a flood of ESPs must not take quadratic time.
        const QStringView block = QStringView(text).mid(from);
        qsizetype at = 0;
        for (;;) {
            const qsizetype end = block.indexOf(CrLf, at);
            const QStringView line = end < 0 ? block.mid(at) : block.mid(at, end - at);
            at = end < 0 ? block.size() : end + CrLf.size();
            if (line.isEmpty())
                break;
            if (!line.startsWith(EspFrom))
                continue;
            const QStringView rest = line.mid(EspFrom.size() + 1);
            const qsizetype k = rest.indexOf(key);
            if (k < 0 || rest.mid(k) != key)
                continue;
            const QStringView name = rest.left(k);
            if (!plausibleName(name))
                continue;
            if (Register(ctx, name.toString()) == Registration::ListFull)
                turnedAway = true;
        }
    }
    SortPlayers(gs);
    RefillPlayers(gs, ctx.controls);
    if (turnedAway)
        ctx.dialogs.message(playerListFullText(), playerListFullTitle());

    LogWriter(gs, ctx.dialogs);
    ctx.controls.setCaption(Ctl::lblPlayercnt, QString::number(gs.PlayerCount));
    RestoreControls(ctx.controls, gs);
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
    if (gs.Confirm) {
        ctx.link.SendChat(2, name, QStringLiteral("You are registered"));
        ctx.link.My_Wait(gs.Delay);
    }
    return Registration::Added;
}

void SortPlayers(GameState &gs)
{
    for (int i = 1; i <= gs.PlayerCount - 1; ++i)
        for (int j = i + 1; j <= gs.PlayerCount; ++j)
            if (gs.Players[i].Name.toLower() > gs.Players[j].Name.toLower())
                std::swap(gs.Players[i], gs.Players[j]);
}

void RefillPlayers(const GameState &gs, MainControls &controls)
{
    controls.clearList(List::lstPlayers);
    for (int i = 1; i <= gs.PlayerCount; ++i)
        controls.addToList(List::lstPlayers, gs.Players[i].Name);
}

void ListPlayers(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    LockControls(ctx.controls);
    for (Ctl c : {Ctl::cmdList, Ctl::cmdAsk, Ctl::cmdGet, Ctl::cmdCheck})
        ctx.controls.setEnabled(c, false);
    if (gs.PlayerCount >= 1) {
        ctx.link.SendChat(0, QString(), QStringLiteral("The following players are registered:"));
        ctx.link.My_Wait(gs.Delay);
        for (int i = 1; i <= gs.PlayerCount; ++i) {
            ctx.link.SendChat(0, QString(), gs.Players[i].Name);
            ctx.link.My_Wait(gs.Delay);
        }
        ctx.link.SendChat(0, QString(), QStringLiteral("-o-o-o-o-"));
    } else {
        ctx.link.SendChat(0, QString(), QStringLiteral("--- No players registered ---"));
    }
    if (gs.DownCount > 0)
        ctx.controls.setEnabled(Ctl::cmdAsk, true);
    ctx.controls.setEnabled(Ctl::cmdList, true);
    RestoreControls(ctx.controls, gs);
}

void DeletePlayer(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    const int k = ctx.controls.selectedRow(List::lstPlayers) + 1;
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
    RefillPlayers(gs, ctx.controls);
    // Only where a draw is on offer at all: before the opening or after the
    // last word there is no word to draw for.
    const bool drawOffered = gs.GamePhase == 2 && gs.WordIndex <= gs.WordCount;
    ctx.controls.setEnabled(Ctl::cmdDraw, drawOffered && gs.PlayerCount >= gs.DrawCount);
}
