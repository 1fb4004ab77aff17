#include "irc/irctext.h"

#include "base/ansi.h"
#include "chat/gestures.h"

#include <QStringDecoder>

namespace {

constexpr QByteArrayView ActionStart = "\x01"
                                       "ACTION ";

bool nickSpecial(QChar c)
{
    return QStringView(u"-[]\\`^{}|_").contains(c);
}

bool asciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// "waves" for "<wave>", "relaxes" for "<relax>".
QString actionFor(QChar gesture)
{
    QString name = gestureTag(gesture);
    name = name.mid(1, name.size() - 2);
    return name + (name.endsWith(u'x') ? QStringLiteral("es") : QStringLiteral("s"));
}

QString withoutFormatting(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        auto skip = [&](auto accepts, int most) {
            for (int n = 0; n < most && i + 1 < s.size() && accepts(s[i + 1]); ++n)
                ++i;
        };
        auto digit = [](QChar d) { return d.isDigit() && d.unicode() < 0x80; };
        auto hex = [](QChar d) { return isxdigit(d.unicode()) && d.unicode() < 0x80; };
        if (c == 0x03 || c == 0x04) {
            // Colour codes carry up to two colours: digits for 0x03, hex
            // for 0x04.
            const int width = c == 0x03 ? 2 : 6;
            const auto accepts = c == 0x03 ? +digit : +hex;
            const qsizetype before = i;
            skip(accepts, width);
            if (i > before && i + 2 < s.size() && s[i + 1] == u',' && accepts(s[i + 2])) {
                ++i;
                skip(accepts, width);
            }
            continue;
        }
        if (c == 0x02 || c == 0x0F || c == 0x11 || c == 0x16 || c == 0x1D || c == 0x1E || c == 0x1F)
            continue;
        out += s[i];
    }
    return out;
}

QString withoutControls(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return text;
}

} // namespace

namespace IrcNick {

QString fromName(const QString &name, qsizetype maxLength)
{
    QString nick;
    for (QChar c : name.normalized(QString::NormalizationForm_KD)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        nick += asciiLetter(c) || (c.isDigit() && c.unicode() < 0x80) || nickSpecial(c) ? c : u'_';
    }
    if (!nick.isEmpty() && (nick[0].isDigit() || nick[0] == u'-'))
        nick.prepend(u'_');
    return nick.left(maxLength);
}

QString numbered(const QString &nick, int n, qsizetype maxLength)
{
    const QString number = QString::number(n);
    return nick.left(std::max<qsizetype>(1, maxLength - number.size())) + number;
}

std::optional<CaseMapping> caseMappingNamed(QByteArrayView value)
{
    if (value == "ascii")
        return CaseMapping::Ascii;
    if (value == "strict-rfc1459")
        return CaseMapping::StrictRfc1459;
    if (value == "rfc1459")
        return CaseMapping::Rfc1459;
    return std::nullopt;
}

QByteArray folded(QByteArrayView name, CaseMapping mapping)
{
    QByteArray out = name.toByteArray().toLower();
    if (mapping == CaseMapping::Ascii)
        return out;
    for (char &c : out) {
        if (c == '[')
            c = '{';
        else if (c == ']')
            c = '}';
        else if (c == '\\')
            c = '|';
        else if (c == '~' && mapping == CaseMapping::Rfc1459)
            c = '^';
    }
    return out;
}

} // namespace IrcNick

namespace IrcText {

QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = Ansi::decode(bytes);
    return withoutFormatting(text);
}

std::optional<QString> fromWire(const QByteArray &text)
{
    if (!text.startsWith('\x01'))
        return decode(text);
    if (!text.startsWith(ActionStart))
        return std::nullopt;
    QByteArray action = text.mid(ActionStart.size());
    if (action.endsWith('\x01'))
        action.chop(1);
    const QString said = decode(action);
    const QChar gesture = gestureNamed(said);
    return gesture.isNull() ? QStringLiteral("/me ") + said : QString(gesture);
}

QList<QByteArray> toWire(const QString &text, qsizetype budget)
{
    QString action;
    if (text.size() == 1 && isGesture(text[0]))
        action = actionFor(text[0]);
    else if (text.startsWith(QStringLiteral("/me ")))
        action = text.mid(4);
    if (action.isNull())
        return splitAtSpaces(withoutControls(text).toUtf8(), budget);
    QList<QByteArray> pieces =
        splitAtSpaces(withoutControls(action).toUtf8(), budget - ActionStart.size() - 1);
    for (QByteArray &p : pieces)
        p = ActionStart.toByteArray() + p + '\x01';
    return pieces;
}

QList<QByteArray> splitAtSpaces(const QByteArray &utf8, qsizetype budget)
{
    // Room for the longest character, so every piece makes progress.
    budget = std::max<qsizetype>(budget, 4);
    QList<QByteArray> pieces;
    QByteArrayView rest(utf8);
    while (rest.size() > budget) {
        // The space opens the next piece: servers drop spaces at the end of
        // a line, but keep them at the start of its text.
        qsizetype cut = rest.first(budget + 1).lastIndexOf(' ');
        if (cut <= 0) {
            cut = budget;
            while ((static_cast<uchar>(rest[cut]) & 0xC0) == 0x80)
                --cut;
        }
        pieces.append(rest.first(cut).toByteArray());
        rest = rest.sliced(cut);
    }
    if (!rest.isEmpty() || pieces.isEmpty())
        pieces.append(rest.toByteArray());
    return pieces;
}

} // namespace IrcText
