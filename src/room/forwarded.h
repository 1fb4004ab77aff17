#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

// Who a web client is when the room sits behind a reverse proxy: the
// address the proxies in front of it name, read from the request's
// X-Forwarded-For or Forwarded (RFC 7239) header, trusted only as far as
// the proxies that wrote it are trusted.
namespace Forwarded {

// Hops read from the right of either header; those further left are never
// looked at, and a chain of trusted proxies this long ends at its last.
constexpr int MaxHops = 16;

// a, with an IPv4-mapped IPv6 address (::ffff:1.2.3.4, as a dual-stack
// listener sees an IPv4 peer) as the IPv4 address it maps.
QHostAddress plain(const QHostAddress &a);
// Whether a is one of trusted, mapped IPv4 addresses taken as IPv4.
bool trusts(const QList<QHostAddress> &trusted, const QHostAddress &a);

// The client's address for a request from peer with these header lines (as
// the request's head splits at line feeds; a line without a colon is no
// header). A peer that is not trusted is the client, whatever its headers
// say. From a trusted one the hops of X-Forwarded-For ("1.2.3.4, [::1]:80")
// or Forwarded ("for=1.2.3.4;proto=https, for=\"[::1]:80\"") are read from
// the right, past trusted proxies, to the first address that is not one.
// A hop that names no address ("unknown", an obfuscated "_name", garbage)
// stops the walk at the last trusted address, and so does a chain longer
// than MaxHops. A client could have written either header itself and the
// proxy only passed it on, so when both are given and name different
// clients, neither is believed: the client is the peer. Always plain.
QHostAddress clientAddress(const QHostAddress &peer, const QList<QByteArray> &headerLines,
                           const QList<QHostAddress> &trusted);

} // namespace Forwarded
