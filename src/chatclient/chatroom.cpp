#include "chatclient/chatroom.h"

#include "chat/gestures.h"

#include <QStringBuilder>

#include <algorithm>

namespace {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

QString withoutControls(QString text)
{
    // Most lines have none; only one that has is copied to be changed.
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    for (QChar &c : text) {
        if (isControl(c))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

ChatRoom::ChatRoom(const QString &hostName, QObject *parent)
    : QObject(parent), m_host(withoutControls(hostName))
{
    // A program that connects learns its host's name from the echo of its
    // first line and needs some text in front of that echo to find it.
    add(QStringLiteral("Welcome to the room!"));
    add(QStringLiteral("Be kind to each other, and good luck in the games."));
}

QString ChatRoom::shown(const QString &message)
{
    if (message.size() == 1) {
        const QString tag = gestureTag(message.at(0));
        if (!tag.isEmpty())
            return tag;
    }
    return withoutControls(message);
}

void ChatRoom::say(const QString &name, const QString &text)
{
    QString line = withoutControls(name) % u": " % shown(text);
    if (isMuted && isMuted(name))
        emit heldBack(name, line);
    else
        add(std::move(line));
}

void ChatRoom::espToHost(const QString &from, const QString &text)
{
    QString line =
        QStringLiteral("ESP from ") + withoutControls(from) + QStringLiteral(": ") + shown(text);
    if (isMuted && isMuted(from))
        emit heldBack(from, line);
    else
        add(std::move(line));
}

void ChatRoom::notice(const QString &line)
{
    add(withoutControls(line));
}

void ChatRoom::espFromHost(const QString &to, const QString &text)
{
    QString line =
        QStringLiteral("ESP to ") + withoutControls(to) + QStringLiteral(": ") + shown(text);
    line.truncate(MaxLineLength);
    emit viewLine(line);
}

qint64 ChatRoom::recentStart() const
{
    qint64 pos = end();
    qsizetype chars = 0;
    while (pos > m_first && (end() - pos < RecentLines || chars < RecentChars)) {
        --pos;
        chars += m_lines[static_cast<size_t>(pos - m_first)].size() + 2;
    }
    return pos;
}

QString ChatRoom::textSince(qint64 from) const
{
    QString text;
    const qint64 start = std::max(from, m_first);
    for (qint64 pos = start; pos < end(); ++pos) {
        if (pos > start)
            text += QStringLiteral("\r\n");
        text += m_lines[static_cast<size_t>(pos - m_first)];
    }
    return text;
}

void ChatRoom::add(QString line)
{
    line.truncate(MaxLineLength);
    m_chars += line.size();
    m_lines.push_back(line);
    while (m_chars > MaxBacklog && m_lines.size() > 1) {
        m_chars -= m_lines.front().size();
        m_lines.pop_front();
        ++m_first;
    }
    // First, so the view keeps the order even when a listener to lineAdded
    // answers at once.
    emit viewLine(line);
    emit lineAdded(line);
}
