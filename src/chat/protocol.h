#pragma once

#include <QByteArray>
#include <QtGlobal>

// The numbers of the chat-client protocol, named. They are the client
// library's, and go on the wire as they are.

// How DapiCommunicate sends its text.
enum class SendMode : qint16
{
    Room = 0,    // said in the room under the host's avatar; no target
    Private = 2, // an ESP to the avatar the target names
};

// What a client answers a request with: the number in decimal, as text.
enum class ClientStatus
{
    Done = 0,          // carried out
    Refused = -1,      // not carried out, and asking again would not help
    Busy = 6,          // not now: ask again
    Unregistered = 10, // the program is not registered: register, then ask again
};

inline QByteArray statusCode(ClientStatus status)
{
    // Nearly every answer is this one; a literal costs no allocation.
    static_assert(int(ClientStatus::Done) == 0);
    if (status == ClientStatus::Done)
        return QByteArrayLiteral("0");
    return QByteArray::number(int(status));
}

// The events a client sends the program unasked ("E" frames: text1, a
// number, text2), by their text1.
namespace ClientEvent {
// text2 is the name the host's lines show under, sent as the link comes up
// and whenever it changes.
inline constexpr char Host[] = "host";
// number of the host's lines, each answered 0 or queued for saying, that
// the room may never have heard: the client lost them in an outage or
// could not hold them that long. The step under way ends as for a broken link.
inline constexpr char Unsaid[] = "unsaid";
} // namespace ClientEvent
