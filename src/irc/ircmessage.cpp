#include "irc/ircmessage.h"

#include <algorithm>

namespace {

QByteArray unescapeTagValue(QByteArrayView v)
{
    QByteArray out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != '\\') {
            out += v[i];
            continue;
        }
        if (++i == v.size())
            break; // a lone trailing backslash is dropped
        switch (v[i]) {
        case ':':
            out += ';';
            break;
        case 's':
            out += ' ';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            out += v[i];
        }
    }
    return out;
}

bool validCommand(const QByteArray &c)
{
    if (c.isEmpty())
        return false;
    const bool digits = c.size() == 3 && std::all_of(c.begin(), c.end(), [](char ch) {
                            return ch >= '0' && ch <= '9';
                        });
    return digits || std::all_of(c.begin(), c.end(), [](char ch) {
               return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
           });
}

} // namespace

QByteArray IrcMessage::nick() const
{
    const qsizetype bang = prefix.indexOf('!');
    if (bang >= 0)
        return prefix.left(bang);
    const qsizetype at = prefix.indexOf('@');
    return at >= 0 ? prefix.left(at) : prefix;
}

int IrcMessage::numeric() const
{
    if (command.size() != 3)
        return 0;
    bool ok = false;
    const int n = command.toInt(&ok);
    return ok ? n : 0;
}

std::optional<IrcMessage> IrcMessage::parse(QByteArrayView line)
{
    IrcMessage m;
    qsizetype pos = 0;
    auto skipSpaces = [&] {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
    };
    auto word = [&] {
        const qsizetype start = pos;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        return line.sliced(start, pos - start);
    };
    if (pos < line.size() && line[pos] == '@') {
        ++pos;
        for (const QByteArray &tag : word().toByteArray().split(';')) {
            if (tag.isEmpty())
                continue;
            const qsizetype eq = tag.indexOf('=');
            m.tags.append(qMakePair(tag.left(eq < 0 ? tag.size() : eq),
                                    eq < 0 ? QByteArray() : unescapeTagValue(tag.mid(eq + 1))));
        }
        skipSpaces();
    }
    if (pos < line.size() && line[pos] == ':') {
        ++pos;
        m.prefix = word().toByteArray();
        skipSpaces();
    }
    m.command = word().toByteArray().toUpper();
    if (m.command.isEmpty())
        return std::nullopt;
    for (;;) {
        skipSpaces();
        if (pos >= line.size())
            break;
        if (line[pos] == ':') {
            m.params.append(line.sliced(pos + 1).toByteArray());
            break;
        }
        m.params.append(word().toByteArray());
    }
    return m;
}

QByteArray IrcMessage::encode(const QByteArray &command, const QList<QByteArray> &params)
{
    if (!validCommand(command))
        return {};
    QByteArray out = command;
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QByteArray &p = params[i];
        if (p.contains('\r') || p.contains('\n') || p.contains('\0'))
            return {};
        const bool last = i == params.size() - 1;
        if (!last && (p.isEmpty() || p.startsWith(':') || p.contains(' ')))
            return {};
        out += ' ';
        if (last && (p.isEmpty() || p.startsWith(':') || p.contains(' ')))
            out += ':';
        out += p;
    }
    if (out.size() > LineLimit)
        return {};
    return out + "\r\n";
}

void IrcLineSplitter::feed(QByteArrayView bytes)
{
    m_buffer.append(bytes);
}

std::optional<QByteArray> IrcLineSplitter::next()
{
    for (;;) {
        const qsizetype lf = m_buffer.indexOf('\n');
        if (m_skipping) {
            if (lf < 0) {
                m_buffer.clear();
                return std::nullopt;
            }
            m_buffer.remove(0, lf + 1);
            m_skipping = false;
            continue;
        }
        if (lf < 0) {
            if (m_buffer.size() <= MaxLine)
                return std::nullopt;
            QByteArray line = m_buffer.left(MaxLine);
            m_buffer.clear();
            m_skipping = true;
            return line;
        }
        QByteArray line = m_buffer.left(std::min(lf, MaxLine));
        m_buffer.remove(0, lf + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }
}

void IrcLineSplitter::reset()
{
    m_buffer.clear();
    m_skipping = false;
}
