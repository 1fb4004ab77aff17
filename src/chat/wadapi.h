#pragma once

#include <QByteArray>
#include <QString>

// The chat client's callbacks, as the client library delivers them: 8-bit
// text exactly as the client sent it.
class WadapiCallbacks
{
public:
    virtual ~WadapiCallbacks() = default;
    virtual void OnDapiStatus(const QByteArray &code) = 0;
    virtual void OnDapiEvent(const QByteArray &text1, qint16 number, const QByteArray &text2) = 0;
    virtual void OnDapiText(const QByteArray &text) = 0;
    // The client went away on its own (not through KillDDE), reported once
    // per link at the moment the library notices.
    virtual void OnDapiGone() {}
    // A piece of the live copy of the room's text (whole lines, each ended
    // by CR LF), sent only after the program asked for it; never chat text
    // a fetch returns.
    virtual void OnDapiLive(const QByteArray &) {}
};

// The chat-client library. Text arguments are 8-bit (Windows-1252); the chat
// link converts. DapiCommunicate and DapiGetAllText return once the client's
// status for the request has been handed to OnDapiStatus, or without one
// when the client does not answer in time or the link is gone.
class Wadapi
{
public:
    virtual ~Wadapi() = default;

    // 0 when the link is up; from then on the callbacks may run.
    virtual qint16 InitDDE(const QString &app, WadapiCallbacks *callbacks) = 0;
    virtual void DapiRegister(const QString &app) = 0;
    virtual void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                                 const QByteArray &text) = 0;
    virtual void DapiGetAllText(const QString &app) = 0;
    virtual void DapiUnregister(const QString &app) = 0;
    // Tells the client something about the game (an "N" frame); no answer
    // is awaited, and a link that is down sends nothing.
    virtual void DapiNotice(const QByteArray &key, const QByteArray &value) = 0;
    // Tells the client the game's status (a "P" frame: the text of
    // encodeGameStatus); no answer is awaited. Only for a client that
    // offered it (NoticeKey::Status): an older one would break the link.
    virtual void DapiGameStatus(const QByteArray &text) = 0;
    // Asks the client to mute, kick or ban (an "M" frame: the action's word,
    // the name, the minutes, the reason); the outcome comes later as the
    // event ModKey::Outcome. Only for a client that offered it (ModKey::Offer).
    virtual void DapiModerate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                              const QByteArray &reason) = 0;
    virtual void KillDDE() = 0;

    // False once the client has gone away (or before InitDDE succeeded).
    virtual bool connected() const = 0;
    // Why the link failed or went, for the host; empty when there is no more to say.
    virtual QString lastError() const { return {}; }
};

// The keys of DapiNotice.
namespace NoticeKey {
// The host's registration character (Windows-1252, empty when the host takes
// no registrations), so a chat client can offer registering to anyone who
// joins, whenever they join.
inline constexpr char RegChar[] = "reg";
// A longer value of RegChar is no registration character.
inline constexpr qsizetype MaxRegChar = 4;
// "1" asks for a live copy of the room's text, "0" ends it. A client that
// can send one says so with an event of the same name, "live", 0, "", as the
// link comes up; a client that did not is not asked.
inline constexpr char Live[] = "live";
// Not a notice but an offer: a client that shows the game status says so
// with an event "status", 0, "" as the link comes up, beside "live", and
// only such a client is sent the status (DapiGameStatus).
inline constexpr char Status[] = "status";
} // namespace NoticeKey
