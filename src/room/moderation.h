#pragma once

#include "chat/moderation.h"
#include "room/personrules.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class ChatRoom;
class RoomConsole;

// The host's order in the room: who is muted until when, and who is banned,
// by name (as the room tells names apart), by the page's token and by the
// address the room knows them by. Every way into the room (scripted players,
// people on the socket, web pages) is a door that finds and removes its own.
// A ban holds for the room's life, and across restarts with a bans file.
class RoomModeration final : public QObject
{
    Q_OBJECT

public:
    struct Door
    {
        // The member of that name, as the room tells names apart.
        std::function<std::optional<RoomMember>(const QString &name)> find;
        // Sends them away, with why on their page or terminal.
        std::function<void(const QString &name, const QString &why)> remove;
    };

    // Takes over the room's isMuted.
    explicit RoomModeration(ChatRoom &room, QObject *parent = nullptr);
    ~RoomModeration() override;

    void addDoor(Door door) { m_doors.push_back(std::move(door)); }
    // Milliseconds of a steady clock; tests move their own.
    std::function<qint64()> now;

    // Reads the bans kept in path (none when it does not exist yet), and
    // writes every change there; false, with *error, when it cannot be read.
    bool useBansFile(const QString &path, QString *error);

    // Carries out a request of the host's, well-formed and not aimed at the host.
    ModOutcome carryOut(const ModRequest &request);
    bool muted(const QString &name) const;
    // Why one who comes with this name, token and address may not enter;
    // empty when they may.
    QString refusal(const QString &name, const QString &token = {},
                    const QString &address = {}) const;

    // What a removed person's page or terminal shows.
    static QString removedLine(const QString &name, const QString &reason);
    static const QString BannedLine;

    static constexpr int MaxBans = 2000;
    static constexpr int MaxMutes = 2000;
    static constexpr qint64 MaxBansFile = 1024 * 1024;

private:
    struct Ban
    {
        QString name;
        QString token;
        QString address;
        QString reason;
    };

    std::optional<RoomMember> find(const QString &name) const;
    void remove(const RoomMember &member, const QString &reason);
    // Why the bans could not be written; empty when they were (or need not be).
    QString save() const;

    ChatRoom &m_room;
    std::vector<Door> m_doors;
    // Until when a name key is muted, by the clock above.
    QHash<QString, qint64> m_mutedUntil;
    std::vector<Ban> m_bans;
    QString m_bansPath;
};

// The room console's moderation commands, the program's own words:
// /mute NAME [MINUTES], /unmute NAME, /kick NAME [REASON], /ban NAME [REASON],
// /unban NAME, /bans.
void addModerationCommands(RoomConsole &console, RoomModeration &moderation,
                           std::function<QString()> hostName);
