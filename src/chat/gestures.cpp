#include "chat/gestures.h"

#include <array>

namespace {

constexpr char16_t FirstGesture = 0x00B0;

// In code point order, from U+00B0.
constexpr std::array<const char16_t *, 10> Tags = {u"<relax>", u"<sigh>",   u"<frown>", u"<grin>",
                                                   u"<jump>",  u"<wave>",   u"<react>", u"<bow>",
                                                   u"<shrug>", u"<present>"};

// F2 to F11, in the order the host's keyboard has always had them.
constexpr std::array<char16_t, 10> FunctionKeys = {0x00B0, 0x00B3, 0x00B1, 0x00B2, 0x00B5,
                                                   0x00B7, 0x00B8, 0x00B9, 0x00B4, 0x00B6};

} // namespace

bool isGesture(QChar c)
{
    return c.unicode() >= FirstGesture && c.unicode() < FirstGesture + Tags.size();
}

QString gestureTag(QChar c)
{
    if (!isGesture(c))
        return QString();
    return QString::fromUtf16(Tags[c.unicode() - FirstGesture]);
}

QChar gestureNamed(const QString &word)
{
    const QString said = word.trimmed().toLower();
    for (char16_t u = FirstGesture; u < FirstGesture + Tags.size(); ++u) {
        const QString tag = QString::fromUtf16(Tags[u - FirstGesture]);
        const QString name = tag.mid(1, tag.size() - 2);
        if (said == name || said == tag || said == name + u's' ||
            said == name + QStringLiteral("es"))
            return QChar(u);
    }
    return {};
}

QChar gestureForFunctionKey(int n)
{
    if (n < 2 || n > 11)
        return QChar();
    return QChar(FunctionKeys[n - 2]);
}

QString regKey(const QString &regChar)
{
    if (regChar.size() == 1 && isGesture(regChar.at(0)))
        return QStringLiteral(": ") + gestureTag(regChar.at(0));
    return QStringLiteral(": ") + regChar;
}
