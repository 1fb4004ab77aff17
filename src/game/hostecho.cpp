#include "game/hostecho.h"

#include "chat/chatlink.h"
#include "game/banner.h"
#include "game/chatlines.h"
#include "game/gamecontext.h"

#include <QCoreApplication>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The echo must have this many characters in front of it: room for the line
// break, a name of up to 37 characters, the colon and the space.
constexpr qsizetype EchoWindow = 40;
// What text without an echo can still give: the window in front of an echo
// that comes with the next fetch (the resume's window is one longer).
constexpr qsizetype KeptInFront = EchoWindow + 1;
// Once an echo was seen that did not settle it, a client that shows it again
// with more in front gets this many more looks, each over after a few
// pauses, so a quiet room does not hold the step either.
constexpr int LooksAfterEcho = 2;

// A room that hands over text at every fetch without the echo would be asked
// back to back: the window's events run before a second fetch, and from the
// third on each waits a tick of Timer1 first.
void paceFetch(ChatLink &link, int fetch)
{
    if (fetch == 2)
        QCoreApplication::processEvents();
    else if (fetch > 2)
        link.My_Wait(0);
}

} // namespace

std::optional<HostEcho> findHostEcho(const QString &chat, const QString &host, EchoPick pick)
{
    const QString title = titleLine();
    const QStringView text(chat);
    // Indexes from 0 here: the title at index 40 has exactly 40 characters
    // in front of it. A title with less in front, such as the oldest line of
    // a room's replay, is nobody's echo that can be read.
    qsizetype first = chat.indexOf(title);
    while (first >= 0 && first < EchoWindow)
        first = chat.indexOf(title, first + 1);
    if (first < 0)
        return std::nullopt;
    std::optional<HostEcho> found, miss;
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
            found = std::move(echo);
            if (pick == EchoPick::First)
                break;
        } else if (!miss) {
            miss = std::move(echo);
        }
    }
    if (found)
        return found;
    if (miss)
        return miss;
    return HostEcho{chat.mid(first - EchoWindow), QString(), false};
}

qsizetype lastEchoUnder(QStringView text, const QString &host)
{
    const QString title = titleLine();
    if (host.isEmpty())
        return lastIndexOfRare(text, title);
    const QString said = host + QStringLiteral(": ");
    qsizetype last = -1;
    for (qsizetype at = text.indexOf(title); at >= 0; at = text.indexOf(title, at + 1)) {
        const qsizetype begin = at - said.size();
        if (begin >= 0 && text.mid(begin, said.size()) == said &&
            lineStartFrom(text, begin) == begin)
            last = at;
    }
    return last;
}

bool fetchForEcho(GameContext &ctx, const std::function<EchoLook(const QString &)> &look)
{
    ChatLink &link = ctx.link;
    const qint64 start = link.tickCount();
    QString text;
    int looksLeft = -1; // counted once an echo was seen
    for (int fetch = 1;; ++fetch) {
        if (fetch == 1) {
            link.WaitForChat();
        } else {
            paceFetch(link, fetch);
            link.FetchChatBriefly();
        }
        if (!link.ChatText().isEmpty())
            text += (text.isEmpty() ? QString() : CrLf) + link.ChatText();
        const EchoLook seen = look(text);
        if (seen == EchoLook::Done)
            return true;
        if (seen == EchoLook::Seen && looksLeft < 0)
            looksLeft = LooksAfterEcho;
        // No title in front of the window can ever be read, so a flood held
        // for the whole wait costs no memory.
        if (looksLeft < 0)
            text = text.right(KeptInFront);
        if (looksLeft == 0 || (looksLeft < 0 && link.tickCount() - start >= EchoWaitTicks))
            return false;
        if (looksLeft > 0)
            --looksLeft;
    }
}
