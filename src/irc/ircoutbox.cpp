#include "irc/ircoutbox.h"

#include "irc/irctext.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

const QByteArray MarkPrefix = "orvella-";

// Errors that answer a message or a JOIN of ours.
bool refusal(int n)
{
    switch (n) {
    case 401: // no such nick
    case 402:
    case 403: // no such channel
    case 404: // cannot send to channel
    case 405: // too many channels
    case 406:
    case 407:
    case 411:
    case 412:
    case 413:
    case 414:
    case 471: // channel full
    case 473: // invite only
    case 474: // banned
    case 475: // bad key
    case 477:
    case 492:
    case 531:
        return true;
    default:
        return false;
    }
}

} // namespace

IrcOutbox::IrcOutbox(int burst, int intervalMs, IrcSend send, Clock clock, QObject *parent)
    : QObject(parent), m_send(std::move(send)), m_clock(std::move(clock)),
      m_bucket(burst, intervalMs)
{
    if (!m_clock) {
        auto steady = std::make_shared<QElapsedTimer>();
        steady->start();
        m_clock = [steady] { return steady->elapsed(); };
    }
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &IrcOutbox::pump);
}

void IrcOutbox::say(const QByteArray &target, const QByteArray &text, bool channel)
{
    m_queue.push_back({target, text, channel, false, 0});
    updateWaiting();
    pump();
}

void IrcOutbox::join(const QByteArray &channel)
{
    sendMarked({channel, {}, true, true, 0}, "JOIN", {channel});
}

void IrcOutbox::open()
{
    std::erase_if(m_sent, [](const Line &l) { return l.isJoin; });
    m_open = true;
    pump();
}

void IrcOutbox::pause()
{
    m_open = false;
    m_pace.stop();
}

qsizetype IrcOutbox::drop()
{
    pause();
    const qsizetype lines =
        qsizetype(m_queue.size()) +
        std::count_if(m_sent.begin(), m_sent.end(), [](const Line &l) { return !l.isJoin; });
    m_queue.clear();
    m_sent.clear();
    updateWaiting();
    return lines;
}

void IrcOutbox::pump()
{
    while (!m_queue.empty() && m_open) {
        const qint64 now = m_clock();
        if (!m_bucket.take(now)) {
            m_pace.start(static_cast<int>(m_bucket.wait(now)));
            return;
        }
        const Line line = m_queue.front();
        m_queue.pop_front();
        sendMarked(line, "PRIVMSG", {line.target, line.text});
    }
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
    if (!refusal(m.numeric()))
        return false;
    const QString reason = IrcText::decode(m.trailing());
    if (m_sent.empty()) {
        emit stray(reason);
        return true;
    }
    const Line line = m_sent.front();
    m_sent.pop_front();
    if (line.isJoin) {
        emit joinRefused(reason);
    } else {
        emit refused(line.target, reason);
        updateWaiting();
    }
    return true;
}

void IrcOutbox::echoed(const QByteArray &text)
{
    if (m_sent.empty() || m_sent.front().isJoin)
        return;
    const Line line = m_sent.front();
    m_sent.pop_front();
    emit taken(line.target, line.channel, IrcText::fromWire(text).value_or(QString()));
    updateWaiting();
}

void IrcOutbox::sendMarked(Line line, const QByteArray &command, const QList<QByteArray> &params)
{
    line.id = m_nextId++;
    m_send(command, params);
    m_sent.push_back(line);
    // The answer to this PING comes after any error about the command.
    m_send("PING", {MarkPrefix + QByteArray::number(line.id)});
}

void IrcOutbox::takenUpTo(quint64 id)
{
    while (!m_sent.empty() && m_sent.front().id <= id) {
        const Line line = m_sent.front();
        m_sent.pop_front();
        if (!line.isJoin)
            emit taken(line.target, line.channel, IrcText::fromWire(line.text).value_or(QString()));
    }
    updateWaiting();
}

void IrcOutbox::updateWaiting()
{
    const bool waiting = !m_queue.empty() || std::any_of(m_sent.begin(), m_sent.end(),
                                                         [](const Line &l) { return !l.isJoin; });
    if (waiting != m_waiting) {
        m_waiting = waiting;
        emit waitingChanged(waiting);
    }
}
