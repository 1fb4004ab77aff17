#include "room/forwarded.h"

#include <QByteArrayView>

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

using Hop = std::optional<QHostAddress>; // none: the hop names no address

// The values of every line of the header name, in order, joined as one list.
std::optional<QByteArray> valueOf(const QList<QByteArray> &lines, QByteArrayView name)
{
    std::optional<QByteArray> all;
    for (const QByteArray &line : lines) {
        // No space may stand before the colon; such a line is no header.
        const qsizetype colon = line.indexOf(':');
        if (colon != name.size() || line.first(colon).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        all = all ? *all + ',' + line.sliced(colon + 1) : line.sliced(colon + 1);
    }
    return all;
}

// text cut at each sep outside a quoted string, each part trimmed.
QList<QByteArrayView> cut(QByteArrayView text, char sep)
{
    QList<QByteArrayView> parts;
    bool quoted = false;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (quoted && text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == sep && !quoted) {
            parts << text.sliced(from, i - from).trimmed();
            from = i + 1;
        }
    }
    parts << text.sliced(std::min(from, text.size())).trimmed();
    return parts;
}

// The list's elements, the empty ones left out (as RFC 9110 lets a list
// have them), the right-most MaxHops only.
QList<QByteArrayView> hopsOf(QByteArrayView value)
{
    QList<QByteArrayView> hops = cut(value, ',');
    hops.removeIf([](QByteArrayView hop) { return hop.isEmpty(); });
    return hops.sliced(std::max<qsizetype>(0, hops.size() - Forwarded::MaxHops));
}

bool isPort(QByteArrayView text)
{
    // An obfuscated port (RFC 7239) names nothing, but leaves the address.
    if (text.startsWith('_'))
        return text.size() > 1 && std::ranges::all_of(text.sliced(1), [](char c) {
                   return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                          c == '-';
               });
    bool ok = false;
    const uint port = text.size() <= 5 ? text.toUInt(&ok) : 0;
    return ok && port <= 65535 &&
           std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// "1.2.3.4", "1.2.3.4:80", "2001:db8::1", "[2001:db8::1]", "[2001:db8::1]:80".
Hop node(QByteArrayView text)
{
    QByteArrayView host = text;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return std::nullopt;
        const QByteArrayView rest = host.sliced(close + 1);
        if (!rest.isEmpty() && !(rest.startsWith(':') && isPort(rest.sliced(1))))
            return std::nullopt;
        host = host.sliced(1, close - 1);
        if (!host.contains(':')) // brackets hold IPv6 only
            return std::nullopt;
    } else if (host.count(':') == 1) { // IPv6 has two at least
        const qsizetype colon = host.indexOf(':');
        if (!isPort(host.sliced(colon + 1)))
            return std::nullopt;
        host = host.first(colon);
    }
    // Digits, dots and colons only: no name, no zone, no "unknown".
    if (host.isEmpty() || !std::ranges::all_of(host, [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) || c == '.' || c == ':';
        }))
        return std::nullopt;
    QHostAddress address;
    if (!address.setAddress(QString::fromLatin1(host)))
        return std::nullopt;
    return Forwarded::plain(address);
}

// A quoted string's content; the text itself when it is a token.
std::optional<QByteArray> unquoted(QByteArrayView value)
{
    if (!value.startsWith('"'))
        return value.contains('"') ? std::nullopt : std::optional(value.toByteArray());
    if (value.size() < 2 || !value.endsWith('"'))
        return std::nullopt;
    QByteArray text;
    for (qsizetype i = 1; i < value.size() - 1; ++i) {
        char c = value[i];
        if (c == '\\') {
            if (++i >= value.size() - 1)
                return std::nullopt;
            c = value[i];
        } else if (c == '"') {
            return std::nullopt;
        }
        text += c;
    }
    return text;
}

// The node of a Forwarded element's one for= parameter.
Hop forOf(QByteArrayView element)
{
    std::optional<QByteArray> value;
    for (const QByteArrayView pair : cut(element, ';')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        if (pair.first(equals).trimmed().compare("for", Qt::CaseInsensitive) != 0)
            continue;
        if (value) // twice in one element
            return std::nullopt;
        value = unquoted(pair.sliced(equals + 1).trimmed());
        if (!value)
            return std::nullopt;
    }
    return value ? node(*value) : std::nullopt;
}

// From a trusted address, leftwards past trusted proxies to the client.
QHostAddress walk(QHostAddress at, const QList<Hop> &hops, const QList<QHostAddress> &trusted)
{
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        if (!*hop)
            return at;
        if (!Forwarded::trusts(trusted, **hop))
            return **hop;
        at = **hop;
    }
    return at;
}

} // namespace

QHostAddress Forwarded::plain(const QHostAddress &a)
{
    if (a.protocol() != QAbstractSocket::IPv6Protocol)
        return a;
    const Q_IPV6ADDR v6 = a.toIPv6Address();
    constexpr quint8 Mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (!std::equal(std::begin(Mapped), std::end(Mapped), v6.c))
        return a;
    return QHostAddress(a.toIPv4Address());
}

bool Forwarded::trusts(const QList<QHostAddress> &trusted, const QHostAddress &a)
{
    const QHostAddress p = plain(a);
    return std::ranges::any_of(trusted, [&](const QHostAddress &t) { return plain(t) == p; });
}

QHostAddress Forwarded::clientAddress(const QHostAddress &peer,
                                      const QList<QByteArray> &headerLines,
                                      const QList<QHostAddress> &trusted)
{
    const QHostAddress from = plain(peer);
    if (!trusts(trusted, from))
        return from;
    std::optional<QHostAddress> byList, byForwarded;
    if (const auto value = valueOf(headerLines, "X-Forwarded-For")) {
        QList<Hop> hops;
        for (const QByteArrayView hop : hopsOf(*value))
            hops << node(hop);
        byList = walk(from, hops, trusted);
    }
    if (const auto value = valueOf(headerLines, "Forwarded")) {
        QList<Hop> hops;
        for (const QByteArrayView hop : hopsOf(*value))
            hops << forOf(hop);
        byForwarded = walk(from, hops, trusted);
    }
    if (byList && byForwarded && *byList != *byForwarded)
        return from;
    return byList.value_or(byForwarded.value_or(from));
}
