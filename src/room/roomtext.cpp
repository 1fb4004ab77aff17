#include "room/roomtext.h"

#include "base/ansi.h"

#include <QList>

namespace RoomText {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A reader cannot see these, so "Ho\u00ADst" would pass for "Host".
bool isInvisible(QChar c)
{
    return c.category() == QChar::Other_Format || (c.isSpace() && c != u' ');
}

// Lines that start so are the client's private messages and its own notices
// and commands; a name that starts a chat line so would pass for them.
bool impersonates(const QString &name)
{
    const QString words = name.simplified();
    for (const QLatin1StringView lead :
         {QLatin1StringView("ESP from"), QLatin1StringView("ESP to")}) {
        if (words.startsWith(lead, Qt::CaseInsensitive) &&
            (words.size() == lead.size() || words.at(lead.size()) == u' '))
            return true;
    }
    return name.startsWith(u'*') || name.startsWith(u'/');
}

} // namespace

QString typed(const QString &text)
{
    QString out;
    out.reserve(std::min(text.size(), MaxMessageLength));
    for (const char32_t c : text.toUcs4()) {
        if (out.size() >= MaxMessageLength)
            break;
        if (c == u'\t')
            out += u' ';
        else if (c <= 0xFFFF && isControl(static_cast<char16_t>(c)))
            continue;
        else if (const QString one = QString::fromUcs4(&c, 1); Ansi::canEncode(one))
            out += one;
        else
            out += u'?';
    }
    return out;
}

QString nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("A name must not be empty.");
    if (name != name.trimmed())
        return QStringLiteral("A name must not begin or end with a space.");
    if (name.size() > MaxNameLength)
        return QStringLiteral("A name may have at most %1 characters.").arg(MaxNameLength);
    if (name.contains(u':'))
        return QStringLiteral("A name must not hold a colon.");
    for (const QChar c : name) {
        if (isControl(c.unicode()))
            return QStringLiteral("A name must not hold control characters.");
        if (isInvisible(c))
            return QStringLiteral("A name must not hold characters a reader cannot see.");
    }
    if (impersonates(name))
        return QStringLiteral(
            "A name must not begin with \"ESP from\", \"ESP to\", \"*\" or \"/\".");
    if (!Ansi::canEncode(name))
        return QStringLiteral("A name must be written in the chat world's letters.");
    return {};
}

} // namespace RoomText
