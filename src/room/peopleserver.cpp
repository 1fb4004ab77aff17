#include "room/peopleserver.h"

#include "chat/gestures.h"
#include "chatclient/chatroom.h"
#include "chatclient/listenat.h"
#include "room/personrules.h"
#include "room/roomtext.h"
#include "transport/socketwadapi.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const QString EspFrom = QStringLiteral("ESP from ");
const QString Commands = QStringLiteral(
    "Say a line, or /me TEXT, a gesture (/relax, /sigh, /frown, /grin, /jump, /wave, /react, "
    "/bow, /shrug, /present), /esp TEXT (to the host), /who, /quit.");

} // namespace

const QString PeopleServer::NamePrompt =
    QStringLiteral("* Welcome to the room. What is your name?");

struct PeopleServer::Person
{
    QPointer<QLocalSocket> socket;
    QByteArray pending;
    QString name; // empty until admitted
    PersonRules::LineBudget budget{Burst, PerSecond};
    bool gone = false;
};

PeopleServer::PeopleServer(ChatRoom &room, QObject *parent)
    : QObject(parent), m_room(room), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &PeopleServer::accept);
    connect(&m_room, &ChatRoom::lineAdded, this, &PeopleServer::roomLine);
    connect(&m_room, &ChatRoom::heldBack, this, &PeopleServer::heldBack);
}

PeopleServer::~PeopleServer()
{
    for (const auto &p : m_people) {
        if (p->socket)
            p->socket->disconnect(this);
    }
}

bool PeopleServer::listen(const QString &path)
{
    m_error.clear();
    return listenAt(*m_server, path, &m_error);
}

QStringList PeopleServer::names() const
{
    return PersonRules::namesIn(m_people);
}

bool PeopleServer::has(const QString &name) const
{
    return PersonRules::hasName(names(), name);
}

void PeopleServer::espFromHost(const QString &name, const QString &text)
{
    for (const auto &p : m_people) {
        if (!p->gone && p->name == name)
            send(*p, QStringLiteral("ESP from %1: %2").arg(m_room.hostName(), text));
    }
}

std::optional<RoomMember> PeopleServer::member(const QString &name) const
{
    for (const auto &p : m_people) {
        if (!p->gone && !p->name.isEmpty() && RoomText::sameName(p->name, name))
            return RoomMember{p->name, {}, {}};
    }
    return std::nullopt;
}

void PeopleServer::remove(const QString &name, const QString &why)
{
    for (const auto &p : m_people) {
        if (!p->gone && p->name == name) {
            send(*p, QStringLiteral("* ") + why);
            drop(*p, why);
        }
    }
}

void PeopleServer::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (const QString foreign = foreignPeer(socket->socketDescriptor()); !foreign.isEmpty()) {
            socket->write("* This room takes people of its own user only. Goodbye.\n");
            socket->flush();
            socket->abort();
            socket->deleteLater();
            emit report(QStringLiteral("A client was turned away: %1").arg(foreign));
            continue;
        }
        if (std::ranges::count_if(m_people, [](const auto &q) { return !q->gone; }) >= MaxPeople) {
            socket->write("* The room is full. Goodbye.\n");
            socket->flush();
            socket->abort();
            socket->deleteLater();
            emit report(QStringLiteral("A client was turned away: the room is full."));
            continue;
        }
        auto person = std::make_unique<Person>();
        Person *p = person.get();
        p->socket = socket;
        m_people.push_back(std::move(person));
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (Person *p = personOf(socket))
                read(*p);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (Person *p = personOf(socket))
                drop(*p, QString());
        });
        send(*p, NamePrompt);
    }
}

PeopleServer::Person *PeopleServer::personOf(QObject *socket) const
{
    for (const auto &p : m_people) {
        if (!p->gone && p->socket == socket)
            return p.get();
    }
    return nullptr;
}

void PeopleServer::read(Person &p)
{
    p.pending += p.socket->readAll();
    const QString who = p.name.isEmpty() ? QStringLiteral("A client") : p.name;
    for (;;) {
        const qsizetype lf = p.pending.indexOf('\n');
        if (lf < 0 ? p.pending.size() > MaxRawLine : lf > MaxRawLine) {
            drop(p, QStringLiteral("%1 sent a line of more than %2 bytes; dropped.")
                        .arg(who)
                        .arg(MaxRawLine));
            return;
        }
        if (lf < 0)
            return;
        if (!p.budget.take()) {
            drop(p, QStringLiteral("%1 flooded the room; dropped.").arg(who));
            return;
        }
        QByteArray line = p.pending.left(lf);
        p.pending.remove(0, lf + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        handle(p, QString::fromUtf8(line));
        if (p.gone)
            return;
    }
}

void PeopleServer::handle(Person &p, const QString &line)
{
    if (p.name.isEmpty()) {
        admit(p, line.trimmed());
        return;
    }
    if (!line.startsWith(u'/')) {
        // Its own terminal showed the line as typed.
        m_speaker = &p;
        PersonRules::speak(m_room, p.name, line, false);
        m_speaker = nullptr;
        return;
    }
    const QString command = line.section(u' ', 0, 0).toLower();
    const QString rest = line.section(u' ', 1);
    // Actions and gestures are said as the room shows them, so the person
    // sees what came of them; a gesture is its character, as the world's
    // clients send it.
    const QChar named = gestureNamed(command == u"/me" ? rest : command.mid(1));
    if (!named.isNull()) {
        m_room.say(p.name, QString(named));
    } else if (command == u"/me") {
        if (!rest.trimmed().isEmpty())
            PersonRules::speak(m_room, p.name, QStringLiteral("/me ") + rest, false);
    } else if (command == u"/esp") {
        PersonRules::speak(m_room, p.name, rest, true);
    } else if (command == u"/who") {
        QStringList all = QStringList{m_room.hostName() + QStringLiteral(" (host)")} + names();
        if (others)
            all += others();
        send(p, QStringLiteral("* In the room: ") + all.join(QStringLiteral(", ")));
    } else if (command == u"/quit") {
        send(p, QStringLiteral("* Goodbye."));
        drop(p, QString());
    } else {
        send(p, QStringLiteral("* ") + Commands);
    }
}

void PeopleServer::admit(Person &p, const QString &name)
{
    QString problem = PersonRules::nameRefusal(
        name, m_room, [this](const QString &n) { return has(n) || (nameTaken && nameTaken(n)); });
    if (problem.isEmpty() && refusal)
        problem = refusal(name);
    if (!problem.isEmpty()) {
        send(p, QStringLiteral("* ") + problem + QStringLiteral(" Goodbye."));
        drop(p, QStringLiteral("A client was turned away: %1").arg(problem));
        return;
    }
    p.name = name;
    send(p, QStringLiteral("* You are in the room as %1. ").arg(name) + Commands);
    // The recent lines go to the newcomer alone. Private messages among them
    // belong to whoever had the name before, so none is shown.
    for (const QString &line :
         m_room.textSince(m_room.recentStart()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (!line.startsWith(EspFrom))
            send(p, line);
    }
    if (p.gone)
        return;
    // The room's notice is the console's line too.
    m_room.notice(QStringLiteral("%1 has entered the room.").arg(name));
}

void PeopleServer::roomLine(const QString &line)
{
    // send() may drop a person, which only marks it gone: the list stays.
    for (const auto &p : m_people) {
        if (!p->gone && !p->name.isEmpty() && p.get() != m_speaker)
            show(*p, line);
    }
}

void PeopleServer::heldBack(const QString &name, const QString &line)
{
    for (const auto &p : m_people) {
        if (!p->gone && p->name == name && p.get() != m_speaker)
            show(*p, line);
    }
}

void PeopleServer::show(Person &p, const QString &line)
{
    if (!line.startsWith(EspFrom)) {
        send(p, line);
        return;
    }
    // Private messages to the host: each sees only its own.
    const QString own = EspFrom + p.name + QStringLiteral(": ");
    if (line.startsWith(own))
        send(p, QStringLiteral("ESP to %1: %2").arg(m_room.hostName(), line.mid(own.size())));
}

void PeopleServer::send(Person &p, const QString &line)
{
    if (p.gone || !p.socket || p.socket->state() != QLocalSocket::ConnectedState)
        return;
    p.socket->write(line.toUtf8() + '\n');
    // What the system takes counts as sent; only the rest is the person's.
    p.socket->flush();
    if (p.socket->bytesToWrite() > MaxUnsent)
        drop(p,
             QStringLiteral("%1 did not read what the room sent; dropped.")
                 .arg(p.name.isEmpty() ? QStringLiteral("A client") : p.name),
             true);
}

void PeopleServer::drop(Person &p, const QString &why, bool now)
{
    if (p.gone)
        return;
    p.gone = true;
    if (p.socket) {
        QLocalSocket *socket = p.socket;
        socket->disconnect(this);
        if (now) {
            socket->abort();
        } else {
            // What was written still goes out before the socket goes, but a
            // reader that never reads must not keep it, and its buffer, alive.
            socket->flush();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(LingerMs, socket, &QLocalSocket::abort);
            socket->disconnectFromServer();
        }
        if (socket->state() == QLocalSocket::UnconnectedState)
            socket->deleteLater();
    }
    if (!p.name.isEmpty())
        m_room.notice(QStringLiteral("%1 has left the room.").arg(p.name));
    if (!why.isEmpty())
        emit report(why);
    // Not now: a caller up the stack may still hold p.
    QTimer::singleShot(0, this, [this] {
        std::erase_if(m_people, [](const auto &q) { return q->gone; });
#ifdef __GLIBC__
        // Many buffers freed at once would otherwise stay with the process.
        ::malloc_trim(0);
#endif
    });
}
