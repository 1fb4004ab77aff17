#include "game/opening.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "game/asking.h"
#include "game/banner.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/hostecho.h"
#include "game/reportwrite.h"
#include "game/resultsrecorder.h"
#include "game/stepundone.h"

#include <QDateTime>

using Ctl = ConsoleState::Ctl;

namespace {

enum class Miss
{
    NoEcho,
    TooLittleText,
    NoName,
    NameTooLong,
};

QString missText(Miss miss)
{
    const QString notStarted = QStringLiteral(" The game was not started.");
    switch (miss) {
    case Miss::NoEcho:
        return QStringLiteral("The chat client did not show the title line back, so the host's "
                              "avatar name is not known.") +
               notStarted +
               QStringLiteral(" Check that the chat client is in the room, then click Start "
                              "again.");
    case Miss::TooLittleText:
        return QStringLiteral("The title line came back with too little chat in front of it "
                              "to read the host's avatar name.") +
               notStarted +
               QStringLiteral(" Click Start again once the room has chatted a little.");
    case Miss::NoName:
        return QStringLiteral("The title line came back without an avatar name in front of it "
                              "that can be the host's.") +
               notStarted;
    case Miss::NameTooLong:
        return QStringLiteral("The host's avatar name is too long to be read from the chat "
                              "(at most 37 characters).") +
               notStarted;
    }
    return QString();
}

QString detectHost(GameContext &ctx)
{
    Miss miss = Miss::NoEcho;
    QString name;
    const bool found = fetchForEcho(ctx, [&](const QString &text) {
        // Under the name the client gives, no stranger can pass for the
        // host, so the newest echo is this opening's.
        const QString host = ctx.link.clientHostName();
        const std::optional<HostEcho> echo =
            findHostEcho(text, host, host.isEmpty() ? EchoPick::First : EchoPick::Last);
        if (echo) {
            ctx.link.setChatText(echo->cut);
            if (!echo->name.isEmpty()) {
                name = echo->name;
                return EchoLook::Done;
            }
            miss = echo->longName ? Miss::NameTooLong : Miss::NoName;
            return EchoLook::Seen;
        }
        // A title with too little in front may be an earlier game's,
        // replayed, with this opening's echo still to come.
        if (text.contains(titleLine()))
            miss = Miss::TooLittleText;
        return EchoLook::NotYet;
    });
    if (found)
        return name;
    ctx.dialogs.message(missText(miss), QStringLiteral("Start"));
    throw StepUndone();
}

} // namespace

void OpenGame(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    // An invitation without a character would open a game nobody can join.
    if (gs.RegChar.isEmpty()) {
        ctx.dialogs.message(noRegCharText(QStringLiteral("click Start")), QStringLiteral("Start"));
        throw StepUndone();
    }
    const QString banner0 = titleLine();
    const QString banner1 = versionLine();
    const QString banner2 = contactLine();

    ctx.link.SendChat(SendMode::Room, QString(), banner0);
    ctx.link.My_Wait(1);

    gs.HostName = QStringLiteral("Unknown");
    gs.HostName = detectHost(ctx);

    const QString banner3 = invitationLine(gs.RegChar, gs.HostName);
    for (const QString &line : {banner1, banner2, banner3}) {
        ctx.link.SendChat(SendMode::Room, QString(), line);
        ctx.link.My_Wait(gs.Delay);
    }

    gs.WordIndex = 1;
    gs.PatternSaid.clear();
    ctx.console.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
    ctx.console.setCaption(Ctl::lblWord, gs.Words[1]);

    gs.GameStart = QDateTime::currentDateTime();
    // Not told here: the next log write, at the end of Get Regs, tells the
    // host when the log cannot be written.
    static_cast<void>(startNewLog(gs));
    if (ctx.results)
        ctx.results->gameOpened(gs);
    gs.GamePhase = GamePhase::Open;
}
