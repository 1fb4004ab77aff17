#pragma once

#include "chat/gamestatus.h"
#include "room/personrules.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ChatRoom;
class PageSocket;
class QTimer;

// People in the room from the web page, one WebSocket each, speaking small
// JSON messages:
//   page -> room  {"type":"join","name":N,"code":C[,"token":T,"seen":S]}
//                 {"type":"say","text":T}  {"type":"esp","text":T}  {"type":"leave"}
//                 {"type":"watch","code":C}  (the overlay: status only, first and last)
//   room -> page  {"type":"welcome","name":N,"host":H,"token":T,"back":B}
//                 {"type":"host","name":H,"reg":R}
//                 {"type":"refused","why":W}
//                 {"type":"line","text":T,"private":P[,"at":A]}
//                 {"type":"status","phase":"idle|open|playing|won|over|away","word":N,
//                  "words":M,"pattern":P,"called":[NAME...],"up":K,"seconds":S,
//                  "from":F,"winners":[{"name":N,"box":B}...],
//                  "leaders":[{"name":N,"wins":W}...]}
// "host" follows every welcome and comes again when the program changes the
// registration character R (empty: none known, or the host takes none).
// A room line's "at" is its place in the room; one who comes back gives the
// last it saw as "seen" and gets the room's lines after it.
// A person must give the room code; names follow the same rules as on the
// people socket. A person whose connection breaks, or who stops taking what
// the room sends, keeps the name for a minute, reserved for the token of the
// welcome, and gets it back with what was said meanwhile by coming back with
// that token; the lines come as the connection takes them. Floods from a
// person or from one address and frames the page never sends are cut off
// and reported; the room goes on.
// The game's newest status goes to every page in the room, and again to one
// that comes back ("away", with nothing else, once the program is gone); a watcher (the overlay
// page) gives the code but no name, takes no part in the room and gets nothing but the status.
class WebPeople final : public QObject
{
    Q_OBJECT

public:
    WebPeople(ChatRoom &room, const QString &code, QObject *parent = nullptr);
    ~WebPeople() override;

    // Five letters without look-alikes (no I, L, O, U, V, 0 or 1 to mistake).
    static QString newCode();
    // Whether code is one newCode could give, in either case.
    static bool validCode(const QString &code);
    QString code() const { return m_code; }

    // A socket from the page; these people own it from now on.
    void take(PageSocket *socket);

    QStringList names() const;
    bool has(const QString &name) const;
    std::function<bool(const QString &)> nameTaken;

    // The person of that name, as the room tells names apart: with the
    // page's token and address (the forwarded one behind a trusted proxy).
    std::optional<RoomMember> member(const QString &name) const;
    // Sends them away with why on their page, which does not come back by itself.
    void remove(const QString &name, const QString &why);
    // Why one who joins with this name, token and address may not (a ban);
    // empty when they may.
    std::function<QString(const QString &name, const QString &token, const QString &address)>
        refusal;

    // The host sent name a private message.
    void espFromHost(const QString &name, const QString &text);
    // The host's registration character, as the program said it.
    void setRegChar(const QString &regChar);
    QString regChar() const { return m_regChar; }
    // The program's newest game status; sent on only when it changed.
    void setStatus(const GameStatus &status);
    // The program is gone: a game shown is on hold until the next status.
    void hostAway();

    struct Limits
    {
        // Join attempts from one address: a burst, then this many a second.
        int joinBurst = 10;
        double joinsPerSecond = 0.2;
        // Wrong room codes from one address: a few for typing errors, then
        // one a minute, so guessing the code takes weeks from many addresses.
        int wrongCodeBurst = 5;
        double wrongCodesPerSecond = 1.0 / 60;
        // Lines from one address, all its people together.
        int lineBurst = 30;
        double linesPerSecond = 6;
    };
    Limits limits;

    static constexpr int HoldMs = 60000;
    static constexpr int JoinMs = 30000;
    static constexpr int MaxHeldLines = 200;
    static constexpr qint64 MaxReplay = 500;
    // A wrong code is reported at most this often for one address.
    static constexpr int WrongCodeReportMs = 60000;
    // Addresses remembered for their limits; past this they start afresh.
    static constexpr int MaxAddresses = 4096;

signals:
    void report(const QString &line);

private:
    struct Person;
    struct Address;

    void receive(Person &p, const QString &message);
    void join(Person &p, const QJsonObject &message);
    void watch(Person &p, const QJsonObject &message);
    // Whether p gives the room's code, refused (and reported) when not.
    bool admitted(Person &p, const QJsonObject &message);
    void roomLine(const QString &line);
    // A muted person's line, back to their own pages alone.
    void heldBack(const QString &name, const QString &line);
    // now: past the hold of one who is catching up (a line of the catching up itself).
    void send(Person &p, const QJsonObject &message, bool now = false);
    // The newest status, to everyone in the room who follows it now.
    void statusToAll();
    // The newest status, to one who has just joined, watched or come back.
    void sendStatus(Person &p);
    void sendLine(Person &p, const QString &text, bool isPrivate, qint64 at = -1, bool now = false);
    void sendHost(Person &p);
    // A room line as p sees it, and whether it is private; none when it is not p's.
    std::optional<std::pair<QString, bool>> shownTo(const Person &p, const QString &line) const;
    // The room's lines from p's replay position on, as far as the socket
    // takes them now; then what was held, and p hears the room live again.
    void replay(Person &p);
    void ended(Person &p);
    void away(Person &p);
    // Goes for good: the name is free, the room is told.
    void drop(Person &p, const QString &why);
    void refuse(Person &p, const QString &why);
    // why: the reason the page's connection is closed with; empty for a normal close.
    void release(Person &p, const QString &why = {});
    // The limits of p's address.
    Address &addressOf(const Person &p);
    Person *personOf(QObject *socket) const;
    QString who(const Person &p) const;

    ChatRoom &m_room;
    QString m_code;
    QString m_regChar;
    QJsonObject m_status; // as the pages get it; empty until the program sends one
    std::vector<std::unique_ptr<Person>> m_people;
    QHash<QString, std::shared_ptr<Address>> m_addresses;
};
