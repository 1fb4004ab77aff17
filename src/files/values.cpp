#include "files/values.h"

#include "base/failure.h"

#include <cmath>

namespace {

QStringView trimmed(const QString &text)
{
    QStringView v(text);
    while (!v.isEmpty() && (v.front() == u' ' || v.front() == u'\t'))
        v = v.mid(1);
    while (!v.isEmpty() && (v.back() == u' ' || v.back() == u'\t'))
        v.chop(1);
    return v;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Accepts [+-] digits [. digits] [e [+-] digits] and nothing else, so that
// "inf", "nan" and hexadecimal never pass as numbers.
bool isDecimal(QStringView v)
{
    qsizetype i = 0;
    const qsizetype n = v.size();
    if (i < n && (v[i] == u'+' || v[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(v[i])) {
        ++i;
        ++digits;
    }
    if (i < n && v[i] == u'.') {
        ++i;
        while (i < n && isDigit(v[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (v[i] == u'e' || v[i] == u'E')) {
        ++i;
        if (i < n && (v[i] == u'+' || v[i] == u'-'))
            ++i;
        qsizetype expDigits = 0;
        while (i < n && isDigit(v[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

} // namespace

namespace Values {

double readNumber(const QString &text)
{
    const QStringView v = trimmed(text);
    if (!isDecimal(v))
        throw Failure(ErrTypeMismatch);
    bool ok = false;
    const double value = v.toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Failure(ErrOverflow);
    return value;
}

Integer readInteger(const QString &text)
{
    const double rounded = std::nearbyint(readNumber(text)); // default mode: halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        throw Failure(ErrOverflow);
    return static_cast<Integer>(rounded);
}

bool readBoolean(const QString &text)
{
    const QStringView v = trimmed(text);
    if (v.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return readNumber(text) != 0.0;
}

QString writePlain(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 7);
}

QString writeNumber(double value)
{
    const QString plain = writePlain(value);
    return (value < 0 ? plain : QLatin1Char(' ') + plain) + QLatin1Char(' ');
}

QString writeBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace Values
