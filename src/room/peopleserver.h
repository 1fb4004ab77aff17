#pragma once

#include "room/personrules.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ChatRoom;
class QLocalServer;
class QLocalSocket;

// People in the room over a local socket, in plain UTF-8 lines that a
// terminal tool can speak (`nc -U PATH`). The first line is the avatar's
// name; each later line is said in the room, "/me TEXT" is an action,
// "/wave" and the other gestures' names make that gesture, "/esp TEXT" sends
// the host a private message, "/who" lists the room and "/quit" leaves. A
// person sees the room's lines but its own plain ones (its terminal shows
// what it typed), the ESPs it sent and those the host sends it; lines of the
// server's own start with "* ".
//
// A client that misbehaves (a line without end, a flood of lines, output
// it does not read) is dropped and reported, as is one of another user; what a person types is
// cleaned the way a chat client would before it reaches the room.
class PeopleServer final : public QObject
{
    Q_OBJECT

public:
    explicit PeopleServer(ChatRoom &room, QObject *parent = nullptr);
    ~PeopleServer() override;

    bool listen(const QString &path);
    QString errorString() const { return m_error; }

    QStringList names() const;
    bool has(const QString &name) const;
    // Whether a name is in use outside these people (scripted players).
    std::function<bool(const QString &)> nameTaken;
    // The lines of "/who" beyond the people (scripted players).
    std::function<QStringList()> others;

    // The host sent name a private message.
    void espFromHost(const QString &name, const QString &text);

    // The person of that name, as the room tells names apart (no token or address).
    std::optional<RoomMember> member(const QString &name) const;
    // Sends them away with why on their terminal.
    void remove(const QString &name, const QString &why);
    // Why a person of this name may not enter (a ban); empty when they may.
    std::function<QString(const QString &name)> refusal;

    // The first line a newcomer gets; a client that sends the name unasked
    // need not show it.
    static const QString NamePrompt;

    // A line of more than this many bytes is not a person typing.
    static constexpr qsizetype MaxRawLine = 8192;
    // Lines in a burst, and lines per second after it.
    static constexpr int Burst = 10;
    static constexpr int PerSecond = 2;
    // Output a person has not read yet, beyond what the system holds; over
    // it the person is dropped.
    static constexpr qint64 MaxUnsent = 64 * 1024;
    // People in the room at once, counting those still giving their name;
    // as many as the web page takes by default.
    static constexpr int MaxPeople = 200;
    // How long a person who leaves may take to read the last lines.
    static constexpr int LingerMs = 2000;

signals:
    void report(const QString &line);

private:
    struct Person;

    void accept();
    void read(Person &p);
    void handle(Person &p, const QString &line);
    void admit(Person &p, const QString &name);
    void roomLine(const QString &line);
    // A room line as p sees it: ESPs to the host only p's own.
    void show(Person &p, const QString &line);
    // A muted person's line, back to them alone.
    void heldBack(const QString &name, const QString &line);
    void send(Person &p, const QString &line);
    // Now: at once, throwing away what the person has not read.
    void drop(Person &p, const QString &why, bool now = false);
    Person *personOf(QObject *socket) const;

    ChatRoom &m_room;
    QLocalServer *m_server;
    // Who is saying a line in the room just now: it is not sent back to them.
    const Person *m_speaker = nullptr;
    std::vector<std::unique_ptr<Person>> m_people;
    QString m_error;
};
