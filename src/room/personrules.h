#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

class ChatRoom;

// One in the room as the host's moderation sees them: the name, and the
// page's token and the address the room knows them by (empty where none).
struct RoomMember
{
    QString name;
    QString token;
    QString address;
};

// What holds for every person who joins the room, whichever way they come
// (the people socket or the web page): the name they may take and how a
// line they type enters the room.
namespace PersonRules {

// Why a person or a scripted player cannot take name in room; empty when
// they can. taken says whether a name is in use by someone other than the
// host, as the room tells names apart (RoomText::sameName): a name that
// only looks like the host's or a taken one is taken too.
QString nameRefusal(const QString &name, const ChatRoom &room,
                    const std::function<bool(const QString &)> &taken);

// A line the person typed, cleaned as their chat client would, said in the
// room or (toHost) sent the host privately; nothing when it is blank.
void speak(ChatRoom &room, const QString &name, const QString &line, bool toHost);

// The names of people in the room (each a pointer to a person with a name
// and gone); those who left or are still giving their name have none yet.
template <class People> QStringList namesIn(const People &people)
{
    QStringList out;
    for (const auto &p : people) {
        if (!p->gone && !p->name.isEmpty())
            out << p->name;
    }
    return out;
}

// Whether names holds name as the room tells names apart (RoomText::sameName).
bool hasName(const QStringList &names, const QString &name);

// A token a line, refilled as time goes by: bursts pass, floods do not.
class LineBudget
{
public:
    LineBudget(int burst, double perSecond)
        : m_burst(burst), m_perSecond(perSecond), m_tokens(burst)
    {
        m_sinceRefill.start();
    }
    // Whether one more line may pass now; it is counted when it may.
    bool take()
    {
        m_tokens =
            std::min<double>(m_burst, m_tokens + m_sinceRefill.restart() * m_perSecond / 1000.0);
        if (m_tokens < 1)
            return false;
        m_tokens -= 1;
        return true;
    }

private:
    int m_burst;
    double m_perSecond;
    double m_tokens;
    QElapsedTimer m_sinceRefill;
};

} // namespace PersonRules
