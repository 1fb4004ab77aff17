#include "room/roomtext.h"

#include "base/ansi.h"

#include <QHash>
#include <QList>

#include <unicode/unorm2.h>
#include <unicode/uspoof.h>

#include <limits>
#include <memory>
#include <optional>

namespace RoomText {

namespace {

constexpr qsizetype MaxKnownKeys = 4096;

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

// What an ICU function that writes UTF-16 makes of text, or nothing when
// ICU fails. run(source, length, dest, capacity, error) returns the length
// it needs; a short guess is retried once at that length.
template <class Run> std::optional<QString> fromIcu(const QString &text, Run run)
{
    constexpr qsizetype Most = std::numeric_limits<int32_t>::max() / 4;
    if (text.size() > Most)
        return std::nullopt;
    const auto source = reinterpret_cast<const UChar *>(text.constData());
    const auto length = static_cast<int32_t>(text.size());
    QString out(text.size() + 8, Qt::Uninitialized);
    UErrorCode error = U_ZERO_ERROR;
    int32_t needed = run(source, length, reinterpret_cast<UChar *>(out.data()),
                         static_cast<int32_t>(out.size()), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR && needed > 0 && needed <= Most) {
        out.resize(needed);
        error = U_ZERO_ERROR;
        needed = run(source, length, reinterpret_cast<UChar *>(out.data()), needed, &error);
    }
    if (U_FAILURE(error) || needed < 0 || needed > out.size())
        return std::nullopt;
    out.truncate(needed);
    return out;
}

// text in NFKC with its case folded, without the characters a reader cannot
// see (zero-width and other format characters, and what else Unicode lets
// a renderer ignore), a run of spaces as one space and none at either end.
QString folded(const QString &text)
{
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2 *nfkcCaseFold = unorm2_getNFKCCasefoldInstance(&error);
    std::optional<QString> icu;
    if (U_SUCCESS(error) && nfkcCaseFold) {
        icu = fromIcu(text, [nfkcCaseFold](const UChar *source, int32_t length, UChar *dest,
                                           int32_t capacity, UErrorCode *e) {
            return unorm2_normalize(nfkcCaseFold, source, length, dest, capacity, e);
        });
    }
    const QString normal =
        icu ? *icu : text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    QString out;
    out.reserve(normal.size());
    for (const char32_t c : normal.toUcs4()) {
        if (QChar::category(c) != QChar::Other_Format)
            out += QString::fromUcs4(&c, 1);
    }
    return out.simplified();
}

// The room's one spoof checker, opened on first use; null when ICU cannot.
const USpoofChecker *spoofChecker()
{
    struct Close
    {
        void operator()(USpoofChecker *checker) const { uspoof_close(checker); }
    };
    static const std::unique_ptr<USpoofChecker, Close> checker = [] {
        UErrorCode error = U_ZERO_ERROR;
        std::unique_ptr<USpoofChecker, Close> opened(uspoof_open(&error));
        if (U_FAILURE(error))
            opened.reset();
        return opened;
    }();
    return checker.get();
}

// text's skeleton under Unicode's confusables (UTS #39), or text itself when
// ICU fails. Skeletons keep case: an I and an l share "l", an i stays "i".
QString skeleton(const QString &text)
{
    const USpoofChecker *checker = spoofChecker();
    if (!checker)
        return text;
    return fromIcu(text,
                   [checker](const UChar *source, int32_t length, UChar *dest, int32_t capacity,
                             UErrorCode *e) {
                       return uspoof_getSkeleton(checker, 0, source, length, dest, capacity, e);
                   })
        .value_or(text);
}

} // namespace

QString nameKey(const QString &name)
{
    // The folded name's skeleton takes the look-alikes of small letters
    // ("rn" for m); that of its capitals those of capital ones (I for l,
    // which a skeleton of the folded name, with an i, would miss). Folding
    // first makes names that differ only in case one before either.
    // The names in the room are keyed again at every join; a few thousand
    // keys are kept, and all dropped at once past that, so no name costs
    // memory for long.
    static QHash<QString, QString> known;
    if (const auto it = known.constFind(name); it != known.cend())
        return *it;
    if (known.size() >= MaxKnownKeys)
        known.clear();
    return *known.insert(name, folded(skeleton(skeleton(folded(name)).toUpper())));
}

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
