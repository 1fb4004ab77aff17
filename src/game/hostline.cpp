#include "game/hostline.h"

#include "chat/chatlink.h"
#include "chat/protocol.h"
#include "game/chatlines.h"
#include "game/gamecontext.h"

HostLine parseHostLine(const QString &typed)
{
    QString line = typed.left(MaxHostLine);
    blankControls(line);
    if (line.trimmed().isEmpty())
        return {};
    static const QString Msg = QStringLiteral("/msg");
    if (!line.startsWith(Msg, Qt::CaseInsensitive) ||
        (line.size() > Msg.size() && line[Msg.size()] != u' '))
        return {HostLine::Kind::Room, {}, line};
    const QString rest = line.mid(Msg.size()).trimmed();
    const qsizetype space = rest.indexOf(u' ');
    if (space < 0)
        return {HostLine::Kind::Malformed, {}, {}};
    const QString target = rest.left(space);
    const QString text = rest.mid(space + 1).trimmed();
    if (text.isEmpty() || !plausibleName(target))
        return {HostLine::Kind::Malformed, {}, {}};
    return {HostLine::Kind::Private, target, text};
}

void HostSays(GameContext &ctx, const HostLine &line)
{
    if (line.kind == HostLine::Kind::Room)
        ctx.link.SendChat(SendMode::Room, QString(), line.text);
    else if (line.kind == HostLine::Kind::Private)
        ctx.link.SendChat(SendMode::Private, line.target, line.text);
}

RoomLineKind classifyRoomLine(QStringView line, const QString &hostName)
{
    if (privateMessage(line))
        return RoomLineKind::ToHost;
    if (line.startsWith(u"ESP to "))
        return RoomLineKind::FromHost;
    if (!hostName.isEmpty() && line.startsWith(hostName) &&
        line.mid(hostName.size()).startsWith(u": "))
        return RoomLineKind::Own;
    return RoomLineKind::Said;
}
