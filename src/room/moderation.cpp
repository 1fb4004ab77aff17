#include "room/moderation.h"

#include "base/ansi.h"
#include "chatclient/chatroom.h"
#include "room/roomconsole.h"
#include "room/roomtext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSaveFile>

namespace {

// The bans file: this line, then a ban a line, its fields apart by tabs
// (name, token, address, reason), Windows-1252 with CR LF.
const QByteArray BansHeader = "orvella-room bans 1";

QString minutes(int n)
{
    return n == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(n);
}

// A field of the file holds no tab or line break.
QString field(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return out;
}

} // namespace

const QString RoomModeration::BannedLine =
    QStringLiteral("The host has banned you from this room.");

RoomModeration::RoomModeration(ChatRoom &room, QObject *parent) : QObject(parent), m_room(room)
{
    now = [timer = std::make_shared<QElapsedTimer>()] {
        if (!timer->isValid())
            timer->start();
        return timer->elapsed();
    };
    m_room.isMuted = [this](const QString &name) { return muted(name); };
}

RoomModeration::~RoomModeration()
{
    m_room.isMuted = nullptr;
}

QString RoomModeration::removedLine(const QString &name, const QString &reason)
{
    const QString line = QStringLiteral("%1 was removed from the room by the host.").arg(name);
    return reason.trimmed().isEmpty() ? line
                                      : line + QStringLiteral(" Reason: %1").arg(reason.trimmed());
}

bool RoomModeration::muted(const QString &name) const
{
    if (m_mutedUntil.isEmpty())
        return false;
    const auto it = m_mutedUntil.constFind(RoomText::nameKey(name));
    return it != m_mutedUntil.cend() && *it > now();
}

QString RoomModeration::refusal(const QString &name, const QString &token,
                                const QString &address) const
{
    if (m_bans.empty())
        return {};
    const QString key = RoomText::nameKey(name);
    for (const Ban &b : m_bans) {
        if ((!name.isEmpty() && RoomText::nameKey(b.name) == key) ||
            (!token.isEmpty() && b.token == token) || (!address.isEmpty() && b.address == address))
            return BannedLine;
    }
    return {};
}

std::optional<RoomMember> RoomModeration::find(const QString &name) const
{
    for (const Door &door : m_doors) {
        if (std::optional<RoomMember> m = door.find(name))
            return m;
    }
    return std::nullopt;
}

void RoomModeration::remove(const RoomMember &member, const QString &reason)
{
    const QString why = removedLine(member.name, reason);
    for (const Door &door : m_doors) {
        if (door.find(member.name))
            door.remove(member.name, why);
    }
}

ModOutcome RoomModeration::carryOut(const ModRequest &r)
{
    const auto refused = [](const QString &words) { return ModOutcome{false, words}; };
    const QString key = RoomText::nameKey(r.name);
    const auto banOf = [&] {
        return std::ranges::find_if(m_bans,
                                    [&](const Ban &b) { return RoomText::nameKey(b.name) == key; });
    };
    const std::optional<RoomMember> member =
        r.action == ModAction::Bans || r.action == ModAction::Unban ? std::nullopt : find(r.name);
    const QString absent = QStringLiteral("No one called %1 is in the room.").arg(r.name);
    if (r.action != ModAction::Bans && RoomText::sameName(r.name, m_room.hostName()))
        return refused(QStringLiteral("%1 is the host's name.").arg(m_room.hostName()));

    switch (r.action) {
    case ModAction::Mute:
        if (!member)
            return refused(absent);
        if (m_mutedUntil.size() >= MaxMutes)
            m_mutedUntil.removeIf([t = now()](const auto &m) { return m.value() <= t; });
        if (m_mutedUntil.size() >= MaxMutes)
            return refused(QStringLiteral("Too many people are muted already."));
        m_mutedUntil.insert(key, now() + qint64(r.minutes) * 60000);
        return {true, QStringLiteral("%1 is muted for %2.").arg(member->name, minutes(r.minutes))};
    case ModAction::Unmute:
        if (!muted(r.name))
            return refused(QStringLiteral("%1 is not muted.").arg(r.name));
        m_mutedUntil.remove(key);
        return {true, QStringLiteral("%1 is no longer muted.").arg(r.name)};
    case ModAction::Kick:
        if (!member)
            return refused(absent);
        remove(*member, r.reason);
        return {true, QStringLiteral("%1 was kicked.").arg(member->name)};
    case ModAction::Ban: {
        if (!member)
            return refused(banOf() != m_bans.end()
                               ? QStringLiteral("%1 is banned already.").arg(r.name)
                               : absent);
        if (int(m_bans.size()) >= MaxBans)
            return refused(QStringLiteral("The room holds %1 bans already.").arg(MaxBans));
        m_bans.push_back({member->name, member->token, member->address, field(r.reason)});
        remove(*member, r.reason);
        const QString failed = save();
        QString words = QStringLiteral("%1 is banned.").arg(member->name);
        if (!failed.isEmpty())
            words += QStringLiteral(" The ban holds until the room closes: %1").arg(failed);
        return {true, words};
    }
    case ModAction::Unban: {
        const auto it = banOf();
        if (it == m_bans.end())
            return refused(QStringLiteral("%1 is not banned.").arg(r.name));
        // Name, token and address are free again together.
        const QString name = it->name;
        m_bans.erase(it);
        const QString failed = save();
        return {true, QStringLiteral("%1 is no longer banned.").arg(name) +
                          (failed.isEmpty() ? QString() : u' ' + failed)};
    }
    case ModAction::Bans: {
        if (m_bans.empty())
            return {true, QStringLiteral("No one is banned.")};
        QStringList names;
        for (const Ban &b : m_bans)
            names << (b.reason.isEmpty() ? b.name
                                         : QStringLiteral("%1 (%2)").arg(b.name, b.reason));
        QString words = QStringLiteral("Banned: %1.").arg(names.join(QStringLiteral(", ")));
        if (words.size() > ModLimits::MaxWords)
            words = words.left(ModLimits::MaxWords - 4) + QStringLiteral(" ...");
        return {true, words};
    }
    }
    return refused(QStringLiteral("This room cannot do that."));
}

bool RoomModeration::useBansFile(const QString &path, QString *error)
{
    m_bansPath = path;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the bans in %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(MaxBansFile + 1);
    QList<QByteArray> lines = bytes.split('\n');
    if (bytes.size() > MaxBansFile || lines.value(0).trimmed() != BansHeader) {
        *error = QStringLiteral("%1 is not a bans file of this room.").arg(path);
        return false;
    }
    for (const QByteArray &raw : lines.mid(1)) {
        QByteArray line = raw;
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> f = line.split('\t');
        if (line.isEmpty() || f.size() != 4 || int(m_bans.size()) >= MaxBans)
            continue;
        m_bans.push_back(
            {Ansi::decode(f[0]), Ansi::decode(f[1]), Ansi::decode(f[2]), Ansi::decode(f[3])});
    }
    return true;
}

QString RoomModeration::save() const
{
    if (m_bansPath.isEmpty())
        return {};
    QByteArray out = BansHeader + "\r\n";
    for (const Ban &b : m_bans)
        out +=
            Ansi::encode(
                QStringList{field(b.name), field(b.token), field(b.address), field(b.reason)}.join(
                    u'\t')) +
            "\r\n";
    // A crash or a full disk leaves the old file whole.
    QSaveFile file(m_bansPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        return QStringLiteral("Cannot write the bans to %1: %2.")
            .arg(m_bansPath, file.errorString());
    return {};
}

void addModerationCommands(RoomConsole &console, RoomModeration &moderation,
                           std::function<QString()> hostName)
{
    const QStringList help = {
        QStringLiteral("/mute NAME [MIN]    NAME's lines reach no one else (10 minutes)"),
        QStringLiteral("/unmute NAME        NAME speaks again"),
        QStringLiteral("/kick NAME [REASON] remove NAME from the room"),
        QStringLiteral("/ban NAME [REASON]  remove NAME and keep them out: name, page, address"),
        QStringLiteral("/unban NAME         let NAME in again"),
        QStringLiteral("/bans               who is banned"),
    };
    console.addCommands(help, [&console, &moderation, hostName = std::move(hostName)](
                                  const QString &name, const QString &args) {
        if (!modActionOf(name))
            return false;
        const std::optional<ModParse> parsed =
            parseModCommand(u'/' + name + u' ' + RoomConsole::unescaped(args));
        if (!parsed)
            return false;
        QString why = parsed->refusal;
        if (why.isEmpty())
            why = modRefusal(parsed->request, hostName());
        emit console.output(why.isEmpty() ? moderation.carryOut(parsed->request).words : why);
        return true;
    });
}
