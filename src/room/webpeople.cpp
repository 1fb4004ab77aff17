#include "room/webpeople.h"

#include "chat/wadapi.h"
#include "chatclient/chatroom.h"
#include "room/pagesocket.h"
#include "room/peopleserver.h"
#include "room/personrules.h"
#include "room/roomtext.h"
#include "room/wsframe.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace {

const QString EspFrom = QStringLiteral("ESP from ");
constexpr QStringView CodeLetters = u"ABCDEFGHJKMNPQRSTWXYZ";
constexpr int CodeLength = 5;

// The status as the pages read it, cut to the caps whoever filled it in.
QJsonObject statusJson(const GameStatus &s)
{
    static constexpr const char *Phases[] = {"idle", "open", "playing", "won", "over"};
    const auto text = [](const QString &t) { return t.left(GameStatusCap::Text); };
    QJsonArray called, winners, leaders;
    for (const QString &name : s.called.first(std::min(s.called.size(), GameStatusCap::Called)))
        called.append(text(name));
    for (const auto &w : s.winners.first(std::min(s.winners.size(), GameStatusCap::Winners)))
        winners.append(QJsonObject{{u"name"_qs, text(w.name)}, {u"box"_qs, text(w.box)}});
    for (const auto &l : s.leaders.first(std::min(s.leaders.size(), GameStatusCap::Leaders)))
        leaders.append(QJsonObject{{u"name"_qs, text(l.name)}, {u"wins"_qs, l.wins}});
    return {{u"type"_qs, u"status"_qs},
            {u"phase"_qs, QString::fromLatin1(Phases[int(s.phase)])},
            {u"word"_qs, s.word},
            {u"words"_qs, s.words},
            {u"pattern"_qs, s.pattern.left(GameStatusCap::Pattern)},
            {u"called"_qs, called},
            {u"up"_qs, s.up < called.size() ? s.up : -1},
            {u"seconds"_qs, s.secondsLeft},
            {u"from"_qs, s.secondsFrom},
            {u"winners"_qs, winners},
            {u"leaders"_qs, leaders}};
}

QJsonObject lineJson(const QString &text, bool isPrivate, qint64 at)
{
    QJsonObject line{{u"type"_qs, u"line"_qs}, {u"text"_qs, text}, {u"private"_qs, isPrivate}};
    if (at >= 0)
        line[u"at"_qs] = at;
    return line;
}

} // namespace

struct WebPeople::Address
{
    PersonRules::LineBudget joins;
    PersonRules::LineBudget wrongCodes;
    PersonRules::LineBudget lines;
    bool joinsCut = false;
    QElapsedTimer wrongCodeSaid;
};

struct WebPeople::Person
{
    QPointer<PageSocket> socket;
    QString address;
    QString name; // empty until admitted, and for a watcher
    bool watcher = false;
    QString token;
    // The room's first line of p's own time in it: no replay goes further back.
    qint64 since = 0;
    // Coming back: the next line of the room to send; -1 once live.
    qint64 replayAt = -1;
    PersonRules::LineBudget budget{PeopleServer::Burst, PeopleServer::PerSecond};
    // While away or catching up: what the host said to p meanwhile, and
    // the minute it may last.
    bool away = false;
    QStringList held;
    QPointer<QTimer> hold;
    bool gone = false;
};

WebPeople::WebPeople(ChatRoom &room, const QString &code, QObject *parent)
    : QObject(parent), m_room(room), m_code(code.toUpper())
{
    connect(&m_room, &ChatRoom::lineAdded, this, &WebPeople::roomLine);
    connect(&m_room, &ChatRoom::heldBack, this, &WebPeople::heldBack);
}

WebPeople::~WebPeople()
{
    for (const auto &p : m_people) {
        if (p->socket)
            p->socket->disconnect(this);
    }
}

QString WebPeople::newCode()
{
    QString code;
    for (int i = 0; i < CodeLength; ++i)
        code += CodeLetters[QRandomGenerator::system()->bounded(int(CodeLetters.size()))];
    return code;
}

bool WebPeople::validCode(const QString &code)
{
    return code.size() == CodeLength &&
           std::ranges::all_of(code, [](QChar c) { return CodeLetters.contains(c.toUpper()); });
}

QStringList WebPeople::names() const
{
    return PersonRules::namesIn(m_people);
}

bool WebPeople::has(const QString &name) const
{
    return PersonRules::hasName(names(), name);
}

std::optional<RoomMember> WebPeople::member(const QString &name) const
{
    for (const auto &p : m_people) {
        if (!p->gone && !p->watcher && !p->name.isEmpty() && RoomText::sameName(p->name, name))
            return RoomMember{p->name, p->token, p->address};
    }
    return std::nullopt;
}

void WebPeople::remove(const QString &name, const QString &why)
{
    for (const auto &p : m_people) {
        if (!p->gone && !p->watcher && p->name == name)
            drop(*p, why);
    }
}

void WebPeople::heldBack(const QString &name, const QString &line)
{
    for (const auto &p : m_people) {
        if (!p->gone && p->name == name && !p->watcher) {
            if (const auto shown = shownTo(*p, line))
                sendLine(*p, shown->first, shown->second);
        }
    }
}

void WebPeople::espFromHost(const QString &name, const QString &text)
{
    for (const auto &p : m_people) {
        if (!p->gone && !p->watcher && p->name == name)
            sendLine(*p, QStringLiteral("ESP from %1: %2").arg(m_room.hostName(), text), true);
    }
}

void WebPeople::setRegChar(const QString &regChar)
{
    const QString bounded = regChar.left(NoticeKey::MaxRegChar);
    if (bounded == m_regChar)
        return;
    m_regChar = bounded;
    // One who is away hears it when back.
    for (const auto &p : m_people) {
        if (!p->gone && !p->name.isEmpty() && !p->away && p->replayAt < 0)
            sendHost(*p);
    }
}

void WebPeople::setStatus(const GameStatus &status)
{
    QJsonObject json = statusJson(status);
    if (json == m_status)
        return;
    m_status = std::move(json);
    statusToAll();
}

void WebPeople::statusToAll()
{
    // One who is away gets the newest when back.
    for (const auto &p : m_people) {
        if (!p->gone && !p->away && p->replayAt < 0 && (p->watcher || !p->name.isEmpty()))
            send(*p, m_status);
    }
}

void WebPeople::hostAway()
{
    // Without a game shown there is nothing to hold.
    if (m_status.isEmpty() || m_status.value(u"phase") == u"idle"_qs)
        return;
    m_status = {{u"type"_qs, u"status"_qs}, {u"phase"_qs, u"away"_qs}};
    statusToAll();
}

void WebPeople::sendStatus(Person &p)
{
    if (!m_status.isEmpty())
        send(p, m_status);
}

void WebPeople::take(PageSocket *socket)
{
    socket->setParent(this);
    auto person = std::make_unique<Person>();
    person->socket = socket;
    person->address = socket->client().toString();
    m_people.push_back(std::move(person));
    connect(socket, &PageSocket::textReceived, this, [this, socket](const QString &m) {
        if (Person *p = personOf(socket))
            receive(*p, m);
    });
    connect(socket, &PageSocket::drained, this, [this, socket] {
        if (Person *p = personOf(socket); p && p->replayAt >= 0)
            replay(*p);
    });
    connect(socket, &PageSocket::ended, this, [this, socket] {
        if (Person *p = personOf(socket))
            ended(*p);
    });
    // A socket that never joins must not hold one of the room's connections.
    QTimer::singleShot(JoinMs, socket, [this, socket] {
        if (Person *p = personOf(socket); p && p->name.isEmpty() && !p->watcher)
            drop(*p, QStringLiteral("%1 did not join in time; dropped.").arg(who(*p)));
    });
}

WebPeople::Person *WebPeople::personOf(QObject *socket) const
{
    for (const auto &p : m_people) {
        if (!p->gone && p->socket == socket)
            return p.get();
    }
    return nullptr;
}

QString WebPeople::who(const Person &p) const
{
    return p.name.isEmpty() ? QStringLiteral("A web client (%1)").arg(p.address) : p.name;
}

WebPeople::Address &WebPeople::addressOf(const Person &p)
{
    auto it = m_addresses.find(p.address);
    if (it == m_addresses.end()) {
        if (m_addresses.size() >= MaxAddresses)
            m_addresses.clear();
        it = m_addresses.insert(p.address, std::make_shared<Address>(Address{
                                               {limits.joinBurst, limits.joinsPerSecond},
                                               {limits.wrongCodeBurst, limits.wrongCodesPerSecond},
                                               {limits.lineBurst, limits.linesPerSecond},
                                               false,
                                               {}}));
    }
    return **it;
}

void WebPeople::receive(Person &p, const QString &message)
{
    const QJsonObject m = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString type = m.value(u"type").toString();
    if (p.watcher) {
        drop(p, QStringLiteral("%1 spoke while watching; dropped.").arg(who(p)));
        return;
    }
    if (p.name.isEmpty()) {
        if (type == u"join")
            join(p, m);
        else if (type == u"watch")
            watch(p, m);
        else
            drop(p, QStringLiteral("%1 spoke before joining; dropped.").arg(who(p)));
        return;
    }
    if (type == u"leave") {
        drop(p, QStringLiteral("%1 left.").arg(p.name));
        return;
    }
    if (type != u"say" && type != u"esp") {
        drop(p, QStringLiteral("%1 sent what the page never sends; dropped.").arg(p.name));
        return;
    }
    if (!p.budget.take()) {
        drop(p, QStringLiteral("%1 flooded the room; dropped.").arg(p.name));
        return;
    }
    if (!addressOf(p).lines.take()) {
        drop(p, QStringLiteral("%1 flooded the room from %2 with others; dropped.")
                    .arg(p.name, p.address));
        return;
    }
    PersonRules::speak(m_room, p.name, m.value(u"text").toString(), type == u"esp");
}

bool WebPeople::admitted(Person &p, const QJsonObject &message)
{
    Address &from = addressOf(p);
    const auto tooMany = [&] {
        if (!from.joinsCut)
            emit report(
                QStringLiteral("Too many joins from %1; turned away for a while.").arg(p.address));
        from.joinsCut = true;
        refuse(p, QStringLiteral("Too many tries. Wait a minute and try again."));
        return false;
    };
    if (!from.joins.take())
        return tooMany();
    // The same answer whatever the name: a wrong code learns nothing of the
    // room. Only wrong codes spend this budget, so the right one gets in.
    if (message.value(u"code").toString().trimmed().toUpper() != m_code) {
        if (!from.wrongCodes.take())
            return tooMany();
        refuse(p, QStringLiteral("That is not this room's code."));
        if (!from.wrongCodeSaid.isValid() || from.wrongCodeSaid.hasExpired(WrongCodeReportMs)) {
            from.wrongCodeSaid.start();
            emit report(QStringLiteral("%1 gave a wrong room code.").arg(who(p)));
        }
        return false;
    }
    from.joinsCut = false;
    return true;
}

void WebPeople::watch(Person &p, const QJsonObject &message)
{
    if (!admitted(p, message))
        return;
    p.watcher = true;
    emit report(QStringLiteral("%1 watches the game.").arg(who(p)));
    sendStatus(p);
}

void WebPeople::join(Person &p, const QJsonObject &message)
{
    if (!admitted(p, message))
        return;
    const QString name = message.value(u"name").toString().trimmed();
    const QString token = message.value(u"token").toString();
    // Neither a comeback nor another name gets past a ban.
    if (const QString banned = refusal ? refusal(name, token, p.address) : QString();
        !banned.isEmpty()) {
        refuse(p, banned);
        emit report(QStringLiteral("%1 was turned away: banned.").arg(who(p)));
        return;
    }
    for (const auto &q : m_people) {
        if (!q->gone && !token.isEmpty() && q->token == token && q->name == name) {
            // The person is back, perhaps before the room saw the old
            // connection break: the old record takes the new socket.
            if (PageSocket *old = q->socket) {
                old->disconnect(this);
                old->abort();
            }
            q->socket = p.socket;
            q->away = false;
            delete q->hold;
            p.socket = nullptr;
            p.gone = true;
            send(*q, {{u"type"_qs, u"welcome"_qs},
                      {u"name"_qs, q->name},
                      {u"host"_qs, m_room.hostName()},
                      {u"token"_qs, q->token},
                      {u"back"_qs, true}});
            sendHost(*q);
            // Only lines of the person's own time in the room, whatever
            // the page claims to have seen.
            const qint64 seen =
                std::clamp<qint64>(message.value(u"seen").toInteger(-1), -1, m_room.end() - 1);
            q->replayAt = std::max({seen + 1, q->since, m_room.end() - MaxReplay});
            emit report(QStringLiteral("%1 came back.").arg(q->name));
            release(p);
            replay(*q);
            return;
        }
    }
    const QString problem = PersonRules::nameRefusal(
        name, m_room, [this](const QString &n) { return has(n) || (nameTaken && nameTaken(n)); });
    if (!problem.isEmpty()) {
        refuse(p, problem);
        emit report(QStringLiteral("A web client was turned away: %1").arg(problem));
        return;
    }
    p.name = name;
    p.since = m_room.end();
    p.token = QString::number(QRandomGenerator::system()->generate64(), 36) +
              QString::number(QRandomGenerator::system()->generate64(), 36);
    send(p, {{u"type"_qs, u"welcome"_qs},
             {u"name"_qs, name},
             {u"host"_qs, m_room.hostName()},
             {u"token"_qs, p.token},
             {u"back"_qs, false}});
    sendHost(p);
    // The recent lines go to the newcomer alone, without private messages.
    qint64 at = m_room.recentStart();
    for (const QString &line :
         m_room.textSince(at).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (!line.startsWith(EspFrom))
            sendLine(p, line, false, at);
        ++at;
    }
    sendStatus(p);
    if (p.gone)
        return;
    m_room.notice(QStringLiteral("%1 has entered the room.").arg(name));
    emit report(QStringLiteral("%1 joined from the web.").arg(name));
}

std::optional<std::pair<QString, bool>> WebPeople::shownTo(const Person &p,
                                                           const QString &line) const
{
    if (!line.startsWith(EspFrom))
        return std::pair{line, false};
    // Private messages to the host: each sees only its own.
    const QString own = EspFrom + p.name + QStringLiteral(": ");
    if (!line.startsWith(own))
        return std::nullopt;
    return std::pair{QStringLiteral("ESP to %1: %2").arg(m_room.hostName(), line.mid(own.size())),
                     true};
}

void WebPeople::roomLine(const QString &line)
{
    const qint64 at = m_room.end() - 1;
    // A line said in the room is the same frame for everyone: made once.
    QByteArray said;
    for (const auto &p : m_people) {
        // One who is away or catching up gets the room's lines from the room.
        if (p->gone || p->name.isEmpty() || p->away || p->replayAt >= 0 || !p->socket)
            continue;
        if (!line.startsWith(EspFrom)) {
            if (said.isEmpty())
                said = PageSocket::textFrame(
                    QJsonDocument(lineJson(line, false, at)).toJson(QJsonDocument::Compact));
            p->socket->sendFrame(said);
        } else if (const auto shown = shownTo(*p, line)) {
            sendLine(*p, shown->first, shown->second, at);
        }
    }
}

void WebPeople::replay(Person &p)
{
    if (p.gone || p.replayAt < 0 || !p.socket)
        return;
    // Nothing is said in the room while this runs: one read of the room's
    // lines serves until the socket has taken enough for now.
    const QStringList lines =
        m_room.textSince(p.replayAt).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    qint64 at = m_room.end() - lines.size();
    for (const QString &line : lines) {
        if (!p.socket->isOpen() || p.socket->backlog() >= PageSocket::LowWater) {
            p.replayAt = at;
            return;
        }
        if (const auto shown = shownTo(p, line))
            sendLine(p, shown->first, shown->second, at, true);
        ++at;
    }
    // Caught up: what the host said meanwhile, and the room live again.
    p.replayAt = -1;
    for (const QString &json : std::exchange(p.held, {}))
        p.socket->sendText(json);
    sendHost(p);
    sendStatus(p);
}

void WebPeople::sendLine(Person &p, const QString &text, bool isPrivate, qint64 at, bool now)
{
    send(p, lineJson(text, isPrivate, at), now);
}

void WebPeople::sendHost(Person &p)
{
    send(p, {{u"type"_qs, u"host"_qs}, {u"name"_qs, m_room.hostName()}, {u"reg"_qs, m_regChar}});
}

void WebPeople::send(Person &p, const QJsonObject &message, bool now)
{
    if (p.gone)
        return;
    const QString json = QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
    if (p.away || (p.replayAt >= 0 && !now)) {
        p.held << json;
        if (p.held.size() > MaxHeldLines)
            drop(p, QStringLiteral("%1 stayed away too long; the name is free.").arg(p.name));
        return;
    }
    if (p.socket)
        p.socket->sendText(json);
}

void WebPeople::ended(Person &p)
{
    // The socket goes by itself.
    const QPointer<PageSocket> socket = std::exchange(p.socket, nullptr);
    const QString fault = socket ? socket->fault() : QString();
    const bool slow = socket && socket->slowReader();
    if (!fault.isEmpty() && !slow) {
        drop(p, QStringLiteral("%1 %2; dropped.").arg(who(p), fault));
        return;
    }
    if (p.name.isEmpty()) {
        drop(p, {});
        return;
    }
    // A slow reader is treated as a broken connection: the page comes back
    // with its token and gets what it missed.
    if (slow)
        emit report(QStringLiteral("%1 did not read what the room sent; the name is kept for "
                                   "a minute.")
                        .arg(p.name));
    away(p);
}

void WebPeople::away(Person &p)
{
    p.away = true;
    p.replayAt = -1;
    auto *hold = new QTimer(this);
    hold->setSingleShot(true);
    Person *held = &p;
    connect(hold, &QTimer::timeout, this,
            [this, held] { drop(*held, QStringLiteral("%1 left.").arg(held->name)); });
    hold->start(HoldMs);
    p.hold = hold;
}

void WebPeople::refuse(Person &p, const QString &why)
{
    send(p, {{u"type"_qs, u"refused"_qs}, {u"why"_qs, why}}, true);
    release(p, why);
}

void WebPeople::drop(Person &p, const QString &why)
{
    if (p.gone)
        return;
    // The page says why and does not come back by itself.
    if (!why.isEmpty() && p.socket && p.socket->isOpen())
        send(p, {{u"type"_qs, u"refused"_qs}, {u"why"_qs, why}}, true);
    p.gone = true;
    delete p.hold;
    if (!p.name.isEmpty())
        m_room.notice(QStringLiteral("%1 has left the room.").arg(p.name));
    if (!why.isEmpty())
        emit report(why);
    release(p, why);
}

void WebPeople::release(Person &p, const QString &why)
{
    p.gone = true;
    if (PageSocket *socket = std::exchange(p.socket, nullptr)) {
        socket->disconnect(this);
        // What was written still goes out; the socket goes by itself.
        if (why.isEmpty())
            socket->close(WsFrame::Normal);
        else
            socket->close(WsFrame::PolicyViolated, why);
    }
    // Not now: a caller up the stack may still hold p.
    QTimer::singleShot(0, this,
                       [this] { std::erase_if(m_people, [](const auto &q) { return q->gone; }); });
}
