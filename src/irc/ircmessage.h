#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

#include <functional>
#include <optional>

// One IRC protocol line: IRCv3 tags, a source prefix, a command and its
// parameters, the last of which may hold spaces.
struct IrcMessage
{
    // The most bytes of a line, its CR LF not counted, that a server takes
    // or sends on.
    static constexpr qsizetype LineLimit = 510;

    QList<QPair<QByteArray, QByteArray>> tags; // values unescaped
    QByteArray prefix;
    QByteArray command; // upper case
    QList<QByteArray> params;

    // "nick" of "nick!user@host"; a server's prefix as it is.
    QByteArray nick() const;
    QByteArray param(qsizetype i) const { return i < params.size() ? params[i] : QByteArray(); }
    QByteArray trailing() const { return params.isEmpty() ? QByteArray() : params.last(); }
    int numeric() const; // 0 for a named command

    // One line without its line end; nothing when it holds no command.
    static std::optional<IrcMessage> parse(QByteArrayView line);
    // The line for the wire with its CR LF, or empty when a part would change
    // the line's meaning or end it early: CR, LF or NUL anywhere, a space or a
    // leading ':' in any parameter but the last, an empty middle parameter, a
    // command that is neither letters nor three digits, or more than LineLimit bytes.
    static QByteArray encode(const QByteArray &command, const QList<QByteArray> &params);
};

// Where the client's parts hand a command for the server.
using IrcSend = std::function<void(const QByteArray &command, const QList<QByteArray> &params)>;

// Cuts a byte stream into lines at LF, dropping a CR in front of it. A line
// longer than MaxLine is cut there and the rest of it skipped, so a peer
// that never ends its line cannot make us buffer without bound.
class IrcLineSplitter
{
public:
    static constexpr qsizetype MaxLine = 16 * 1024;

    void feed(QByteArrayView bytes);
    std::optional<QByteArray> next();
    void reset();

private:
    QByteArray m_buffer;
    bool m_skipping = false;
};
