#pragma once

#include <QString>
#include <QStringView>

struct GameContext;

// What the host types in the Room window: a line for the room, or
// "/msg NAME text", an ESP to NAME.
struct HostLine
{
    enum class Kind
    {
        Nothing, // blank: nothing to send
        Room,
        Private,
        Malformed // "/msg" without a name and a text
    };
    Kind kind = Kind::Nothing;
    QString target;
    QString text;
};

// Longer lines are cut, as a chat window's input would.
inline constexpr qsizetype MaxHostLine = 400;

HostLine parseHostLine(const QString &typed);

// Sends the line through the chat link, whose client paces it with the
// game's lines. It takes no pause of its own: a step started meanwhile would
// run inside it. Throws what SendChat throws.
void HostSays(GameContext &ctx, const HostLine &line);

// How the Room window marks a line of the room's text.
enum class RoomLineKind
{
    Said,     // "Name: text" or a notice of the client's
    Own,      // the host's own line, as the room echoes it
    ToHost,   // "ESP from Name: text"
    FromHost, // "ESP to Name: text", the host's own ESP
};
RoomLineKind classifyRoomLine(QStringView line, const QString &hostName);
