#include "irc/ircoutbox.h"

#include "irc/irctext.h"
#include "irc/replycodes.h"

#include <algorithm>
#include <limits>

namespace {

const QByteArray MarkPrefix = "orvella-";

// What an error may answer: a JOIN, a message, a command of the client's
// own, or several of them. An error of the wrong kind for the oldest command
// waiting answers nothing of ours, so a refused message is never taken for
// a refused JOIN.
enum Answers : unsigned
{
    Nothing = 0,
    Join = 1,
    Message = 2,
    Command = 4,
};

unsigned refusal(int n)
{
    using namespace Reply;
    switch (n) {
    case NoSuchChannel:
        return Join | Message | Command;
    case NeedRegisteredNick: // to join or to speak
        return Join | Message;
    case NoSuchNick:
        return Message | Command;
    case TooManyChannels:
    case ChannelIsFull:
    case InviteOnlyChan:
    case BannedFromChan:
    case BadChannelKey:
        return Join;
    case NoSuchServer:
    case CannotSendToChan:
    case WasNoSuchNick:
    case TooManyTargets:
    case NoCtcp:
    case NoRecipient:
    case NoTextToSend:
    case NoTopLevel:
    case WildTopLevel:
    case NonRegisteredOnly:
    case NoServiceHost:
    case CantSendToUser:
    case TargUmodeG:
        return Message;
    case UserNotInChannel:
    case NotOnChannel:
    case UnknownMode:
    case BanListFull:
    case ChanOpPrivsNeeded:
    case InvalidModeParam:
        return Command;
    default:
        return Nothing;
    }
}

} // namespace

IrcOutbox::IrcOutbox(int burst, int intervalMs, int confirmMs, IrcClock &clock, IrcSend send,
                     QObject *parent)
    : QObject(parent), m_send(std::move(send)), m_clock(clock), m_bucket(burst, intervalMs),
      m_confirmMs(confirmMs), m_batch(std::max(1, burst - 1)),
      m_pace(clock.timer([this] { pumpAfterTurn(); })), m_confirm(clock.timer([this] { pump(); }))
{}

void IrcOutbox::say(const QByteArray &target, const QByteArray &text, bool channel)
{
    m_queue.push_back({target, text, channel, Kind::Message, 0});
    updateWaiting();
    pump();
}

void IrcOutbox::join(const QByteArray &channel, const QByteArray &key)
{
    sendAhead({channel, {}, true, Kind::Join, 0}, "JOIN",
              key.isEmpty() ? QList<QByteArray>{channel} : QList<QByteArray>{channel, key});
}

quint64 IrcOutbox::command(const QByteArray &command, const QList<QByteArray> &params)
{
    return sendAhead({command, {}, false, Kind::Command, 0}, command, params);
}

quint64 IrcOutbox::sendAhead(Line line, const QByteArray &command, const QList<QByteArray> &params)
{
    // InspIRCd counts a JOIN and a TOPIC as two commands each against its
    // flood limit.
    const int cost = command == "JOIN" || command == "TOPIC" ? 2 : 1;
    for (int i = 0; i < cost; ++i)
        m_bucket.charge(m_clock.now());
    send(std::move(line), command, params);
    const quint64 ticket = m_nextId - 1;
    m_bucket.charge(m_clock.now());
    ping();
    return ticket;
}

void IrcOutbox::open()
{
    std::erase_if(m_sent, [](const Line &l) { return l.kind == Kind::Join; });
    m_open = true;
    pump();
}

void IrcOutbox::pause()
{
    m_open = false;
    m_pace->stop();
    // What the server says about the lines sent must come before any
    // answer to the next JOIN.
    if (m_unpinged > 0) {
        m_bucket.charge(m_clock.now());
        ping();
    }
}

qsizetype IrcOutbox::lose()
{
    m_open = false;
    m_pace->stop();
    m_unpinged = 0;
    const qsizetype lines = std::count_if(m_sent.begin(), m_sent.end(), [](const Line &l) {
        return l.kind == Kind::Message && !l.expired;
    });
    const std::deque<Line> sent = std::exchange(m_sent, {});
    for (const Line &line : sent)
        unanswered(line, QStringLiteral("the connection was lost"));
    m_confirm->stop();
    updateWaiting();
    return lines;
}

qsizetype IrcOutbox::clear()
{
    const qsizetype lines = qsizetype(m_queue.size());
    m_queue.clear();
    updateWaiting();
    return lines;
}

void IrcOutbox::inOrder(std::function<void()> show)
{
    // An echo comes in the order the server relayed the line to everyone,
    // so the room already shows what the channel saw.
    const quint64 lastSent = m_nextId - 1;
    if (m_echoes || (m_inOrder.empty() && lastSent < oldestWaited()))
        return show();
    if (qsizetype(m_inOrder.size()) >= MaxInOrder) {
        auto oldest = std::move(m_inOrder.front().second);
        m_inOrder.pop_front();
        oldest();
    }
    m_inOrder.emplace_back(lastSent, std::move(show));
}

quint64 IrcOutbox::oldestWaited() const
{
    for (const Line &line : m_sent)
        if (line.kind == Kind::Message && !line.expired)
            return line.id;
    return std::numeric_limits<quint64>::max();
}

void IrcOutbox::release(quint64 before)
{
    while (!m_inOrder.empty() && m_inOrder.front().first < before) {
        const auto show = std::move(m_inOrder.front().second);
        m_inOrder.pop_front();
        show();
    }
}

void IrcOutbox::pump()
{
    expire();
    for (;;) {
        const bool lineReady = m_open && !m_queue.empty();
        const bool pingDue =
            m_unpinged > 0 && (m_unpinged >= m_batch || (!lineReady && m_turnOver));
        if (!lineReady && !pingDue) {
            // The program says a macro's lines one request at a time: the
            // PING waits for the end of this turn, behind any that follow.
            if (m_unpinged > 0 && !std::exchange(m_pingQueued, true))
                QMetaObject::invokeMethod(this, &IrcOutbox::pumpAfterTurn, Qt::QueuedConnection);
            return;
        }
        const qint64 now = m_clock.now();
        if (!m_bucket.take(now)) {
            m_pace->start(static_cast<int>(m_bucket.wait(now)));
            return;
        }
        if (pingDue) {
            ping();
            continue;
        }
        const Line line = m_queue.front();
        m_queue.pop_front();
        send(line, "PRIVMSG", {line.target, line.text});
        if (!m_echoes)
            ++m_unpinged;
    }
}

void IrcOutbox::pumpAfterTurn()
{
    m_pingQueued = false;
    m_turnOver = true;
    pump();
    m_turnOver = false;
}

bool IrcOutbox::handle(const IrcMessage &m)
{
    if (m.command == "PONG") {
        const QByteArray mark = m.params.isEmpty() ? QByteArray() : m.trailing();
        bool ok = false;
        const quint64 id =
            mark.startsWith(MarkPrefix) ? mark.mid(MarkPrefix.size()).toULongLong(&ok) : 0;
        if (!ok)
            return false;
        takenUpTo(id);
        return true;
    }
    const unsigned kinds = refusal(m.numeric());
    if (kinds == Answers::Nothing)
        return false;
    const QString reason = IrcText::decode(m.trailing());
    static constexpr unsigned KindAnswers[] = {Answers::Message, Answers::Join, Answers::Command};
    if (m_sent.empty() || !(kinds & KindAnswers[int(m_sent.front().kind)])) {
        emit stray(reason);
        return true;
    }
    const Line line = m_sent.front();
    m_sent.pop_front();
    if (line.kind == Kind::Join) {
        emit joinRefused(reason, m.numeric());
    } else if (line.kind == Kind::Command) {
        emit commandAnswered(line.id, m.numeric(), reason);
    } else {
        release(line.id);
        emit refused(line.target, reason);
        updateWaiting();
    }
    expire();
    return true;
}

void IrcOutbox::echoed(const QByteArray &text)
{
    // Our own commands wait for their PONG, not for an echo.
    const auto it =
        std::ranges::find_if(m_sent, [](const Line &l) { return l.kind != Kind::Command; });
    if (it == m_sent.end() || it->kind == Kind::Join)
        return;
    const Line line = *it;
    m_sent.erase(it);
    release(line.id);
    emit taken(line.target, line.channel, IrcText::fromWire(text).value_or(QString()));
    updateWaiting();
    expire();
}

void IrcOutbox::send(Line line, const QByteArray &command, const QList<QByteArray> &params)
{
    line.id = m_nextId++;
    // An echo answers a line at once; a line waiting for its PING is not
    // yet asked about.
    line.asked = m_echoes && line.kind == Kind::Message;
    line.due = m_clock.now() + m_confirmMs;
    m_send(command, params);
    if (qsizetype(m_sent.size()) >= MaxSent) {
        unanswered(m_sent.front(), QStringLiteral("too much was waiting"));
        m_sent.pop_front();
    }
    m_sent.push_back(line);
    if (line.asked && !m_confirm->isActive())
        m_confirm->start(m_confirmMs);
}

void IrcOutbox::ping()
{
    // The answer to this PING comes after any error about what went before.
    m_send("PING", {MarkPrefix + QByteArray::number(m_nextId - 1)});
    m_unpinged = 0;
    const qint64 due = m_clock.now() + m_confirmMs;
    for (Line &line : m_sent)
        if (!line.asked)
            std::tie(line.asked, line.due) = std::pair(true, due);
    if (!m_confirm->isActive())
        m_confirm->start(m_confirmMs);
}

void IrcOutbox::takenUpTo(quint64 id)
{
    while (!m_sent.empty() && m_sent.front().id <= id) {
        const Line line = m_sent.front();
        m_sent.pop_front();
        if (line.kind == Kind::Command)
            emit commandAnswered(line.id, 0, {});
        if (line.kind != Kind::Message)
            continue;
        release(line.id);
        emit taken(line.target, line.channel, IrcText::fromWire(line.text).value_or(QString()));
    }
    updateWaiting();
    expire();
}

void IrcOutbox::expire()
{
    const qint64 now = m_clock.now();
    qint64 next = -1;
    for (Line &line : m_sent) {
        if (line.kind == Kind::Join || line.expired || !line.asked)
            continue;
        if (line.due > now) {
            next = next < 0 ? line.due : std::min(next, line.due);
            continue;
        }
        if (line.kind == Kind::Command)
            unanswered(line, QStringLiteral("no answer in time"));
        else
            emit unconfirmed(line.target);
        line.expired = true;
    }
    updateWaiting();
    if (next < 0)
        m_confirm->stop();
    else
        m_confirm->start(static_cast<int>(next - now));
}

void IrcOutbox::updateWaiting()
{
    const bool waiting =
        !m_queue.empty() || std::any_of(m_sent.begin(), m_sent.end(), [](const Line &l) {
            return l.kind == Kind::Message && !l.expired;
        });
    release(oldestWaited());
    if (waiting != m_waiting) {
        m_waiting = waiting;
        emit waitingChanged(waiting);
    }
}

void IrcOutbox::unanswered(const Line &line, const QString &why)
{
    if (line.kind == Kind::Command && !line.expired)
        emit commandAnswered(line.id, NoAnswer, why);
}
