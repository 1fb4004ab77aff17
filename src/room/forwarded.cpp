#include "room/forwarded.h"

namespace Forwarded {

namespace {

bool isTrusted(const QHostAddress &a, const QList<QHostAddress> &trusted)
{
    for (const QHostAddress &t : trusted) {
        if (t.isEqual(a, QHostAddress::ConvertV4MappedToIPv4))
            return true;
    }
    return false;
}

} // namespace

QHostAddress clientAddress(const QHostAddress &peer, const QList<QByteArray> &headerLines,
                           const QList<QHostAddress> &trusted)
{
    if (!isTrusted(peer, trusted))
        return peer;
    QList<QByteArray> hops;
    for (const QByteArray &line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 &&
            line.left(colon).trimmed().compare("X-Forwarded-For", Qt::CaseInsensitive) == 0)
            hops += line.mid(colon + 1).split(',');
    }
    QHostAddress client = peer;
    for (qsizetype i = hops.size() - 1; i >= 0; --i) {
        QHostAddress a;
        if (!a.setAddress(QString::fromLatin1(hops[i].trimmed())))
            break;
        client = a;
        if (!isTrusted(a, trusted))
            break;
    }
    return client;
}

} // namespace Forwarded
