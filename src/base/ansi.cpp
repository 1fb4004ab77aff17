#include "base/ansi.h"

#include <QList>

#include <array>

namespace {

// 0x80..0x9F; the rest of the page equals Latin-1.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int byteFor(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (HighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

// One character off UTF-16: a surrogate pair is one character beyond the
// page, and so is a lone surrogate.
char32_t nextChar(const char16_t *&src, const char16_t *end)
{
    const char16_t c = *src++;
    if (QChar::isHighSurrogate(c) && src < end && QChar::isLowSurrogate(*src)) {
        ++src;
        return QChar::ReplacementCharacter;
    }
    return c;
}

} // namespace

namespace Ansi {

QString decode(const QByteArray &bytes)
{
    // One look-up a byte, without a branch to mispredict on 8-bit text.
    static constexpr std::array<char16_t, 256> Page = [] {
        std::array<char16_t, 256> page{};
        for (int b = 0; b < 256; ++b)
            page[b] = b >= 0x80 && b < 0xA0 ? HighControls[b - 0x80] : char16_t(b);
        return page;
    }();
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (char b : bytes)
        *dst++ = Page[static_cast<unsigned char>(b)];
    return out;
}

QByteArray encode(const QString &text)
{
    // Every line the program says passes here: one pass over the UTF-16
    // units into a buffer of their count, with no UCS-4 copy in between.
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = src + text.size();
    while (src < end) {
        if (*src < 0x80) {
            *dst++ = static_cast<char>(*src++);
            continue;
        }
        const int b = byteFor(nextChar(src, end));
        *dst++ = b < 0 ? '?' : static_cast<char>(b);
    }
    out.truncate(dst - out.constData());
    return out;
}

bool canEncode(const QString &text)
{
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = src + text.size();
    while (src < end) {
        if (byteFor(nextChar(src, end)) < 0)
            return false;
    }
    return true;
}

QString upper(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const QChar u = c.toUpper();
        if (u != c && byteFor(u.unicode()) >= 0)
            c = u;
    }
    return out;
}

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace Ansi
