#include "game/opening.h"

#include "chat/chatlink.h"
#include "files/recoverylog.h"
#include "game/asking.h"
#include "game/banner.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"

#include <QDateTime>

using Ctl = MainControls::Ctl;

namespace {

// The echo must have this many characters in front of it: room for the line
// break, a name of up to 37 characters, the colon and the space.
constexpr qsizetype EchoWindow = 40;

QString detectHost(GameContext &ctx)
{
    for (;;) {
        ctx.link.WaitForChat();
        const std::optional<HostEcho> echo = findHostEcho(ctx.gs.ChatText);
        if (!echo)
            continue;
        ctx.gs.ChatText = echo->cut;
        if (!echo->name.isEmpty())
            return echo->name;
    }
}

} // namespace

std::optional<HostEcho> findHostEcho(const QString &chat)
{
    const QString title = titleLine();
    // Indexes from 0 here: the title at index 40 has exactly 40 characters
    // in front of it.
    const qsizetype first = chat.indexOf(title);
    if (first < EchoWindow)
        return std::nullopt;
    // The title begins and ends with "«»«»", so echoes may overlap; the last
    // one to begin is the one wanted either way.
    const qsizetype last = chat.lastIndexOf(title);
    HostEcho echo{chat.mid(last - EchoWindow), QString()};

    const qsizetype colon = echo.cut.indexOf(QStringLiteral(": «»«»  Orvella"));
    // No colon behind a name, or nothing in front of it: nothing to take.
    if (colon < 1)
        return echo;
    qsizetype begin = colon - 1;
    while (begin > 0 && echo.cut.at(begin - 1).unicode() >= 32)
        --begin;
    // The scan reached the start of the window without meeting a line break,
    // so the name may be longer than what the window shows.
    if (begin == 0)
        return echo;
    echo.name = echo.cut.mid(begin, colon - begin);
    return echo;
}

void OpenGame(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    const QString banner0 = titleLine();
    const QString banner1 = versionLine();
    const QString banner2 = contactLine();

    ctx.link.SendChat(0, QString(), banner0);
    ctx.link.My_Wait(1);

    gs.HostName = QStringLiteral("Unknown");
    gs.HostName = detectHost(ctx);

    const QString banner3 = QStringLiteral("ESP a ") + gs.RegChar + QStringLiteral(" to ") +
                            gs.HostName + QStringLiteral(" to register.");
    for (const QString &line : {banner1, banner2, banner3}) {
        ctx.link.SendChat(0, QString(), line);
        ctx.link.My_Wait(gs.Delay);
    }

    gs.WordIndex = 1;
    ctx.controls.setCaption(Ctl::lblWordOf, wordOfCaption(gs));
    ctx.controls.setCaption(Ctl::lblWord, gs.Words[1]);

    gs.GameStart = QDateTime::currentDateTime();
    startNewLog(gs);
    gs.GamePhase = 2;
}
