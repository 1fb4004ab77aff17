#include "room/roomconsole.h"

#include "base/ansi.h"
#include "chat/gestures.h"
#include "chatclient/chatroom.h"
#include "chatclient/wadapiserver.h"

#include <algorithm>
#include <optional>

namespace {

constexpr int MaxCount = 1000000;

// A count of requests; absent means 1.
std::optional<int> countArg(const QString &arg)
{
    if (arg.isEmpty())
        return 1;
    bool ok = false;
    const int n = arg.toInt(&ok);
    if (!ok || n < 1 || n > MaxCount)
        return std::nullopt;
    return n;
}

QString requests(int n)
{
    return n == 1 ? QStringLiteral("request") : QStringLiteral("%1 requests").arg(n);
}

} // namespace

RoomConsole::RoomConsole(ChatRoom &room, WadapiServer &server, QObject *parent)
    : QObject(parent), m_room(room), m_server(server)
{
    connect(&m_room, &ChatRoom::lineAdded, this, &RoomConsole::output);
    connect(&m_server, &WadapiServer::report, this, &RoomConsole::output);
}

QString RoomConsole::unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\\' && i + 5 < text.size() && text.at(i + 1) == u'u') {
            const QStringView hex = QStringView(text).sliced(i + 2, 4);
            const bool allHex = std::all_of(hex.begin(), hex.end(), [](QChar c) {
                const char16_t u = c.unicode();
                return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') ||
                       (u >= u'A' && u <= u'F');
            });
            if (allHex) {
                out += QChar(static_cast<char16_t>(hex.toUShort(nullptr, 16)));
                i += 5;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

QStringList RoomConsole::helpText()
{
    return {
        QStringLiteral("Name: text          Name says text in the room"),
        QStringLiteral("esp Name: text      Name sends the host a private message"),
        QStringLiteral("/notice text        a line of the chat client's own"),
        QStringLiteral("/gestures           list the gesture characters"),
        QStringLiteral("/quit               close the room"),
        QStringLiteral("A message that is one gesture character shows as its tag; type it"),
        QStringLiteral("as the character or as \\u00B0 ... \\u00B9."),
    };
}

QStringList RoomConsole::testControlsHelp()
{
    return {
        QStringLiteral("Test controls (a chat client that misbehaves, for trying Orvella):"),
        QStringLiteral("/status CODE [N]    answer the next N requests with status CODE"),
        QStringLiteral("                    (\"\" for an empty one)"),
        QStringLiteral("/silent [N]         leave the next N requests unanswered"),
        QStringLiteral("/clear              forget the queued statuses and silences"),
        QStringLiteral("/nul                the next text goes out with a NUL trailer"),
        QStringLiteral("/event [N] [text]   send the program an event"),
        QStringLiteral("/drop               close the program's connection"),
    };
}

void RoomConsole::addCommands(const QStringList &help, CommandHandler handler)
{
    m_extraHelp += help;
    m_extra.push_back(std::move(handler));
}

void RoomConsole::handleLine(const QString &rawLine)
{
    QString line = rawLine;
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return;
    if (line.startsWith(u'/')) {
        const qsizetype space = line.indexOf(u' ');
        const QString name = space < 0 ? line.mid(1) : line.mid(1, space - 1);
        const QString args = space < 0 ? QString() : line.mid(space + 1).trimmed();
        command(name.toLower(), args);
        return;
    }
    if (!message(line))
        emit output(QStringLiteral("Not understood: %1 (/help lists what you can type)").arg(line));
}

bool RoomConsole::message(const QString &line)
{
    QString rest = line;
    const bool esp = rest.startsWith(QStringLiteral("esp "), Qt::CaseInsensitive);
    if (esp)
        rest = rest.mid(4);
    QString name;
    QString text;
    const qsizetype colon = rest.indexOf(QStringLiteral(": "));
    if (colon >= 0) {
        name = rest.left(colon);
        text = rest.mid(colon + 2);
    } else if (rest.endsWith(u':')) {
        name = rest.chopped(1);
    } else {
        return false;
    }
    name = unescaped(name).trimmed();
    if (name.isEmpty())
        return false;
    text = unescaped(text);
    if (esp)
        m_room.espToHost(name, text);
    else
        m_room.say(name, text);
    return true;
}

void RoomConsole::command(const QString &name, const QString &args)
{
    if (name == u"help") {
        for (const QString &l : helpText() + m_extraHelp + testControlsHelp())
            emit output(l);
    } else if (name == u"gestures") {
        for (char16_t c = 0xB0; c <= 0xB9; ++c)
            emit output(QStringLiteral("%1  \\u%2  %3")
                            .arg(QChar(c))
                            .arg(static_cast<int>(c), 4, 16, QLatin1Char('0'))
                            .arg(gestureTag(QChar(c))));
    } else if (name == u"notice") {
        m_room.notice(unescaped(args));
    } else if (name == u"status") {
        QString code = args;
        int count = 1;
        const qsizetype space = args.lastIndexOf(u' ');
        if (space > 0) {
            if (const std::optional<int> n = countArg(args.mid(space + 1))) {
                count = *n;
                code = args.left(space).trimmed();
            }
        }
        if (code.isEmpty()) {
            emit output(QStringLiteral("Usage: /status CODE [N]"));
            return;
        }
        if (code == u"\"\"")
            code.clear();
        m_server.queueStatus(Ansi::encode(unescaped(code)), count);
        emit output(
            QStringLiteral("Queued: status \"%1\" for the next %2.").arg(code, requests(count)));
    } else if (name == u"silent") {
        const std::optional<int> count = countArg(args);
        if (!count) {
            emit output(QStringLiteral("Usage: /silent [N], N from 1 to %1").arg(MaxCount));
            return;
        }
        m_server.queueSilence(*count);
        emit output(QStringLiteral("Queued: no answer to the next %1.").arg(requests(*count)));
    } else if (name == u"clear") {
        m_server.clearFaults();
        emit output(QStringLiteral("Queue cleared."));
    } else if (name == u"nul") {
        m_server.addNulTrailerToNextText();
        emit output(QStringLiteral("The next text goes out with a NUL trailer."));
    } else if (name == u"event") {
        qint16 number = 1;
        QString text = args;
        const QString first = args.section(u' ', 0, 0);
        bool ok = false;
        const int n = first.toInt(&ok);
        if (ok && n >= -32768 && n <= 32767) {
            number = static_cast<qint16>(n);
            text = args.section(u' ', 1);
        }
        if (text.isEmpty())
            text = QStringLiteral("Something happened.");
        if (m_server.sendEvent("event", number, Ansi::encode(unescaped(text))))
            emit output(QStringLiteral("Event %1 sent: %2").arg(number).arg(text));
        else
            emit output(QStringLiteral("No program connected."));
    } else if (name == u"drop") {
        if (!m_server.dropProgram())
            emit output(QStringLiteral("No program connected."));
    } else if (name == u"quit") {
        emit output(QStringLiteral("Closing the room."));
        emit quitRequested();
    } else if (std::none_of(m_extra.begin(), m_extra.end(),
                            [&](const CommandHandler &h) { return h(name, args); })) {
        emit output(QStringLiteral("Unknown command /%1 (/help lists the commands)").arg(name));
    }
}
