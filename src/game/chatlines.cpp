#include "game/chatlines.h"

#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString EspFrom = QStringLiteral("ESP from ");

bool startsLine(QStringView text, qsizetype at)
{
    return at == 0 || (at >= CrLf.size() && text.mid(at - CrLf.size(), CrLf.size()) == CrLf);
}

} // namespace

bool plausibleName(QStringView name)
{
    for (QChar c : name)
        if (c.unicode() < 32)
            return false;
    // "Mal: x" could be Mal saying "x": such a name would let one avatar
    // speak for a seat of its own making.
    return !name.contains(u": ");
}

std::optional<QString> lastLineOf(const QString &text, const QString &name)
{
    const QString key = name + u':';
    for (qsizetype at = text.lastIndexOf(key); at >= 0;
         at = at == 0 ? -1 : text.lastIndexOf(key, at - 1)) {
        const qsizetype esp = at - EspFrom.size();
        const bool said = startsLine(text, at);
        const bool sent = esp >= 0 && QStringView(text).mid(esp, EspFrom.size()) == EspFrom &&
                          startsLine(text, esp);
        if (!said && !sent)
            continue;
        const qsizetype from = at + key.size();
        const qsizetype end = indexOfCrLf(text, from);
        return text.mid(from, end < 0 ? -1 : end - from);
    }
    return std::nullopt;
}

std::optional<QStringView> privateMessage(QStringView line)
{
    if (!line.startsWith(EspFrom))
        return std::nullopt;
    return line.mid(EspFrom.size());
}

qsizetype lineStartFrom(QStringView text, qsizetype from)
{
    if (startsLine(text, from))
        return from;
    // From one back, so a CR LF that from splits counts.
    const qsizetype crlf = indexOfCrLf(text, from - 1);
    return crlf < 0 ? text.size() : crlf + CrLf.size();
}

qsizetype indexOfCrLf(QStringView text, qsizetype from)
{
    for (qsizetype at = text.indexOf(u'\r', std::max<qsizetype>(from, 0)); at >= 0;
         at = text.indexOf(u'\r', at + 1)) {
        if (at + 1 < text.size() && text[at + 1] == u'\n')
            return at;
    }
    return -1;
}

void blankControls(QString &line)
{
    for (QChar &c : line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
}

qsizetype lastIndexOfRare(QStringView text, QStringView needle)
{
    if (needle.isEmpty())
        return text.size();
    // Forward, where the search for one character is vectorised; backward
    // it goes a character at a time.
    qsizetype last = -1;
    for (qsizetype at = text.indexOf(needle[0]); at >= 0; at = text.indexOf(needle[0], at + 1)) {
        if (text.sliced(at).startsWith(needle))
            last = at;
    }
    return last;
}
