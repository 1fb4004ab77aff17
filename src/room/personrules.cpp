#include "room/personrules.h"

#include "chatclient/chatroom.h"
#include "room/roomtext.h"

namespace PersonRules {

QString nameRefusal(const QString &name, const ChatRoom &room,
                    const std::function<bool(const QString &)> &taken)
{
    QString problem = RoomText::nameProblem(name);
    if (problem.isEmpty() && (RoomText::sameName(name, room.hostName()) || (taken && taken(name))))
        problem = QStringLiteral("The name %1 is taken.").arg(name);
    return problem;
}

void speak(ChatRoom &room, const QString &name, const QString &line, bool toHost)
{
    const QString text = RoomText::typed(line);
    if (text.trimmed().isEmpty())
        return;
    if (toHost)
        room.espToHost(name, text);
    else
        room.say(name, text);
}

bool hasName(const QStringList &names, const QString &name)
{
    const QString key = RoomText::nameKey(name);
    return std::ranges::any_of(names,
                               [&](const QString &n) { return RoomText::nameKey(n) == key; });
}

} // namespace PersonRules
