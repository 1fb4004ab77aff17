#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

// The room's chat as the host's chat client shows it: lines said in the
// room, private messages to the host, and the client's own notices. Lines
// are kept in order; positions count every line ever added, so a position
// stays meaningful after old lines have been dropped.
class ChatRoom final : public QObject
{
    Q_OBJECT

public:
    // A new room already holds its greeting.
    explicit ChatRoom(const QString &hostName, QObject *parent = nullptr);

    QString hostName() const { return m_host; }

    // A message made of exactly one gesture character shows as its tag;
    // control characters show as spaces (they would break the lines apart).
    static QString shown(const QString &message);

    // "Name: text"
    void say(const QString &name, const QString &text);
    // "ESP from Name: text", a private message to the host.
    void espToHost(const QString &from, const QString &text);
    // A line of the client's own, as it is.
    void notice(const QString &line);
    // "ESP to Name: text", a private message the host sent: only the host's
    // own view shows it (viewLine), never the room's text or lineAdded.
    void espFromHost(const QString &to, const QString &text);

    // Whether a name's lines are held back: a muted person's lines and ESPs
    // reach no one but themselves (heldBack), never the room's text, the
    // program or the host's view. Unset: no one is muted.
    std::function<bool(const QString &name)> isMuted;

    qint64 end() const { return m_first + static_cast<qint64>(m_lines.size()); }
    // Where a newly connected program starts reading: the last few lines, at
    // least a greeting's worth of text when the room has it.
    qint64 recentStart() const;
    // The lines from position `from` (or the oldest line kept) to the end,
    // joined by CR LF; empty when there are none.
    QString textSince(qint64 from) const;

    static constexpr int RecentLines = 20;
    static constexpr qsizetype RecentChars = 200;
    // A line longer than this is cut; older lines go once the room holds
    // more text than MaxBacklog, like a chat window's scrollback.
    static constexpr qsizetype MaxLineLength = 4096;
    static constexpr qsizetype MaxBacklog = 1024 * 1024;

signals:
    void lineAdded(const QString &line);
    // A line of a muted person, as the room would have shown it, for that
    // person's own screen alone.
    void heldBack(const QString &name, const QString &line);
    // Every line of the host's own view, in order: each line added, and the
    // host's private messages.
    void viewLine(const QString &line);

private:
    void add(QString line);

    QString m_host;
    std::deque<QString> m_lines;
    qint64 m_first = 0;
    qsizetype m_chars = 0;
};
