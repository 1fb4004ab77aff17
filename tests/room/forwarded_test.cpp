#include "room/forwarded.h"

#include <gtest/gtest.h>

namespace {

const QHostAddress Proxy(u"127.0.0.1"_qs);
const QList<QHostAddress> Chain{Proxy, QHostAddress(u"::ffff:10.0.0.2"_qs),
                                QHostAddress(u"10.0.0.3"_qs)};

// The client the room takes from a request with these header lines, the
// request line and a Host around them as the room's head splits them.
QString client(const QList<QByteArray> &headers, const QHostAddress &peer = Proxy,
               const QList<QHostAddress> &trusted = {Proxy})
{
    QList<QByteArray> lines{"GET /ws HTTP/1.1\r", "Host: quiz.example.org\r"};
    for (const QByteArray &h : headers)
        lines << h + '\r';
    return Forwarded::clientAddress(peer, lines, trusted).toString();
}

struct Case
{
    QList<QByteArray> headers;
    QString client;
    QHostAddress peer = Proxy;
    QList<QHostAddress> trusted = {Proxy};
};

} // namespace

// The right-most address that is no trusted proxy, in either header's forms;
// what a client wrote itself stands left of what the proxy added.
TEST(Forwarded, TheRightMostAddressThatIsNoTrustedProxy)
{
    const QHostAddress v6(u"::1"_qs), stranger(u"127.0.0.7"_qs);
    const Case cases[] = {
        {{"X-Forwarded-For: 203.0.113.9, 198.51.100.7"}, u"198.51.100.7"_qs},
        {{"x-forwarded-for:198.51.100.7"}, u"198.51.100.7"_qs},
        // Lines of one header make one list, in order.
        {{"X-Forwarded-For: 198.51.100.7", "X-Forwarded-For: 203.0.113.9"}, u"203.0.113.9"_qs},
        // A chain of trusted proxies, one named as a dual-stack socket names it.
        {{"X-Forwarded-For: 203.0.113.9, 198.51.100.7, 10.0.0.3, 10.0.0.2"},
         u"198.51.100.7"_qs,
         QHostAddress(u"::ffff:127.0.0.1"_qs),
         Chain},
        // Only trusted proxies: the one furthest out made the request itself.
        {{"X-Forwarded-For: 10.0.0.3, 10.0.0.2"}, u"10.0.0.3"_qs, Proxy, Chain},
        {{}, u"127.0.0.1"_qs},
        {{"X-Forwarded-For: ::ffff:198.51.100.7"}, u"198.51.100.7"_qs},
        {{"X-Forwarded-For: 198.51.100.7:4711"}, u"198.51.100.7"_qs},
        {{"X-Forwarded-For: [2001:db8::7]:4711"}, u"2001:db8::7"_qs},
        {{"X-Forwarded-For: 2001:db8::7"}, u"2001:db8::7"_qs, v6, {v6}},
        {{"Forwarded: for=192.0.2.60;proto=http;by=203.0.113.43"}, u"192.0.2.60"_qs},
        {{"Forwarded: For=\"[2001:db8:cafe::17]:4711\""}, u"2001:db8:cafe::17"_qs},
        {{"forwarded: proto=https; for=\"192.0.2.43:_port\""}, u"192.0.2.43"_qs},
        {{"Forwarded: for=192.0.2.43, for=198.51.100.17;by=127.0.0.1"}, u"198.51.100.17"_qs},
        // An escape, and a comma and a semicolon quoted.
        {{"Forwarded: for=\"\\198.51.100.17\";ext=\"a, b;c\""}, u"198.51.100.17"_qs},
        {{"X-Forwarded-For: unknown, 198.51.100.7"}, u"198.51.100.7"_qs},
        {{"X-Forwarded-For: 198.51.100.7, unknown"}, u"127.0.0.1"_qs},
        // Both headers must agree: either could be the client's own, passed
        // on by a proxy that wrote the other.
        {{"X-Forwarded-For: 198.51.100.7", "Forwarded: for=198.51.100.7"}, u"198.51.100.7"_qs},
        {{"X-Forwarded-For: 198.51.100.7", "Forwarded: for=203.0.113.9"}, u"127.0.0.1"_qs},
        {{"X-Forwarded-For: 198.51.100.7", "Forwarded: for=unknown"}, u"127.0.0.1"_qs},
        // A peer that is no trusted proxy is itself, whatever it forges.
        {{"X-Forwarded-For: 198.51.100.7"}, u"127.0.0.7"_qs, stranger},
        {{"Forwarded: for=198.51.100.7"}, u"127.0.0.7"_qs, QHostAddress(u"::ffff:127.0.0.7"_qs)},
        {{"X-Forwarded-For: 198.51.100.7"}, u"127.0.0.1"_qs, Proxy, {}}};
    for (const Case &c : cases)
        EXPECT_EQ(client(c.headers, c.peer, c.trusted), c.client) << c.headers.join('|').data();

    // A hop that names no address: the last trusted one stands for it.
    for (const QByteArray &unnamed :
         {QByteArray("for=unknown"), QByteArray("for=_hidden"), QByteArray("for=\"_gazonk\""),
          QByteArray("proto=https"), QByteArray("for=192.0.2.1;for=192.0.2.2")}) {
        EXPECT_EQ(client({"Forwarded: " + unnamed}), u"127.0.0.1"_qs) << unnamed.data();
        EXPECT_EQ(client({"Forwarded: " + unnamed + ", for=10.0.0.2"}, Proxy, Chain),
                  u"10.0.0.2"_qs)
            << unnamed.data();
    }
}

TEST(Forwarded, GarbageNamesNobodyAndLongChainsStop)
{
    for (const QByteArray &value :
         {QByteArray(""), QByteArray(" , ,"), QByteArray("abc"), QByteArray("1.2.3.4.5"),
          QByteArray("999.1.1.1"), QByteArray("fe80::1%eth0"), QByteArray("[::1"),
          QByteArray("[1.2.3.4]"), QByteArray("1.2.3.4:99999"), QByteArray("1.2.3.4:"),
          QByteArray("1.2.3.4 5.6.7.8"), QByteArray("0x7f.1"), QByteArray("\"1.2.3.4\""),
          QByteArray("\xff\xfe"), QByteArray(8000, ',')})
        EXPECT_EQ(client({"X-Forwarded-For: " + value}), u"127.0.0.1"_qs) << value.data();
    for (const QByteArray &value :
         {QByteArray("for=\"1.2.3.4"), QByteArray("for=\"1.2.3.4\\\""), QByteArray("for"),
          QByteArray("for=1.2.3.4\"x\""), QByteArray("=1.2.3.4"), QByteArray("for=[::1]:x")})
        EXPECT_EQ(client({"Forwarded: " + value}), u"127.0.0.1"_qs) << value.data();
    // Not a header line: no space may stand before the colon.
    EXPECT_EQ(client({"X-Forwarded-For : 198.51.100.7", " X-Forwarded-For: 198.51.100.7"}),
              u"127.0.0.1"_qs);

    // The right-most hops are read, so a long list still names its client...
    QByteArray many;
    for (int i = 0; i < 1000; ++i)
        many += "203.0.113." + QByteArray::number(i % 250) + ", ";
    EXPECT_EQ(client({"X-Forwarded-For: " + many + "198.51.100.7"}), u"198.51.100.7"_qs);
    // ...but a chain of trusted hops past the cap ends at the last one read.
    const QByteArray trusted = QByteArray("127.0.0.1, ").repeated(Forwarded::MaxHops - 1);
    EXPECT_EQ(client({"X-Forwarded-For: 198.51.100.7, " + trusted + "127.0.0.1"}), u"127.0.0.1"_qs);
    EXPECT_EQ(client({"X-Forwarded-For: 198.51.100.7, " + trusted.chopped(2)}), u"198.51.100.7"_qs);
}
