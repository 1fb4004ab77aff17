#include "game/opening.h"

#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "game/asking.h"
#include "game/banner.h"
#include "game/chatlines.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"
#include "game/reportwrite.h"
#include "game/resultsrecorder.h"
#include "game/stepundone.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>

using Ctl = MainControls::Ctl;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The echo must have this many characters in front of it: room for the line
// break, a name of up to 37 characters, the colon and the space.
constexpr qsizetype EchoWindow = 40;
// Fetches while the title has not come back: a client that never shows the
// host's own lines must not keep the opening for ever.
constexpr int EchoFetches = 20;
// Once the title came back without a name that can be read, a client that
// shows it again with more in front gets a few more looks, each over after
// a few pauses, so a quiet room does not hold the opening either.
constexpr int LooksAfterEcho = 2;

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

// A room that hands over text at every fetch without the echo would be asked
// back to back: the window's events run before a second fetch, and from the
// third on each waits a tick of Timer1 first. A normal room shows the echo
// at the first or second fetch.
void paceFetch(ChatLink &link, int fetch)
{
    if (fetch == 2)
        QCoreApplication::processEvents();
    else if (fetch > 2)
        link.My_Wait(0);
}

QString detectHost(GameContext &ctx)
{
    Miss miss = Miss::NoEcho;
    int fetch = 0;
    for (int tries = EchoFetches; tries > 0; --tries) {
        paceFetch(ctx.link, ++fetch);
        if (miss == Miss::NoEcho)
            ctx.link.WaitForChat();
        else
            ctx.link.FetchChatBriefly();
        const std::optional<HostEcho> echo =
            findHostEcho(ctx.link.ChatText(), ctx.link.clientHostName());
        if (echo) {
            ctx.link.setChatText(echo->cut);
            if (!echo->name.isEmpty())
                return echo->name;
            miss = echo->longName ? Miss::NameTooLong : Miss::NoName;
        } else if (ctx.link.ChatText().contains(titleLine())) {
            miss = Miss::TooLittleText;
        }
        if (miss != Miss::NoEcho)
            tries = std::min(tries, LooksAfterEcho + 1);
    }
    ctx.dialogs.message(missText(miss), QStringLiteral("Start"));
    throw StepUndone();
}

} // namespace

std::optional<HostEcho> findHostEcho(const QString &chat, const QString &host)
{
    const QString title = titleLine();
    const QStringView text(chat);
    // Indexes from 0 here: the title at index 40 has exactly 40 characters
    // in front of it.
    const qsizetype first = chat.indexOf(title);
    if (first < EchoWindow)
        return std::nullopt;
    std::optional<HostEcho> miss;
    for (qsizetype at = first; at >= 0; at = chat.indexOf(title, at + 1)) {
        const qsizetype end = at + title.size();
        if ((end < chat.size() && !text.mid(end).startsWith(CrLf)) || text.mid(at - 2, 2) != u": ")
            continue;
        const qsizetype lineBreak = chat.lastIndexOf(CrLf, at - 3);
        const qsizetype begin = lineBreak < 0 ? 0 : lineBreak + CrLf.size();
        const QString name = chat.mid(begin, at - 2 - begin);
        if (!host.isEmpty() && name != host)
            continue;
        HostEcho echo{chat.mid(at - EchoWindow), QString(), false};
        // The window holds the line feed, a name of up to 37 characters, the
        // colon and the space; a line that starts before it is too long.
        echo.longName = begin - 1 < at - EchoWindow;
        if (!echo.longName && !name.isEmpty() && plausibleName(name)) {
            echo.name = name;
            return echo;
        }
        if (!miss)
            miss = echo;
    }
    if (miss)
        return miss;
    return HostEcho{chat.mid(first - EchoWindow), QString(), false};
}

void OpenGame(GameContext &ctx)
{
    GameState &gs = ctx.gs;
    // An invitation without a character would open a game nobody can join.
    if (gs.RegChar.isEmpty()) {
        ctx.dialogs.message(
            QStringLiteral("No registration character is set, so players could not register. "
                           "Choose one under Options > Settings, then click Start again."),
            QStringLiteral("Start"));
        throw StepUndone();
    }
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
    // Not told here: the next log write, at the end of Get Regs, tells the
    // host when the log cannot be written.
    static_cast<void>(startNewLog(gs));
    if (ctx.results)
        ctx.results->gameOpened(gs);
    gs.GamePhase = 2;
}
