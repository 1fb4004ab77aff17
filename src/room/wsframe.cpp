#include "room/wsframe.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace WsFrame {

namespace {

bool isControl(quint8 op)
{
    return op & 0x8;
}

bool known(quint8 op)
{
    return op == Continuation || op == Text || op == Binary || op == Close || op == Ping ||
           op == Pong;
}

} // namespace

QByteArray encode(Op op, QByteArrayView payload, bool fin, std::optional<quint32> mask)
{
    const qsizetype n = payload.size();
    const qsizetype head = 2 + (n < 126 ? 0 : n <= 0xFFFF ? 2 : 8) + (mask ? 4 : 0);
    QByteArray out(head + n, Qt::Uninitialized);
    auto *p = reinterpret_cast<uchar *>(out.data());
    *p++ = uchar((fin ? 0x80 : 0) | op);
    const uchar maskBit = mask ? 0x80 : 0;
    if (n < 126) {
        *p++ = uchar(maskBit | n);
    } else if (n <= 0xFFFF) {
        *p++ = uchar(maskBit | 126);
        qToBigEndian(quint16(n), p);
        p += 2;
    } else {
        *p++ = uchar(maskBit | 127);
        qToBigEndian(quint64(n), p);
        p += 8;
    }
    if (!mask) {
        std::copy(payload.begin(), payload.end(), reinterpret_cast<char *>(p));
        return out;
    }
    uchar key[4];
    qToBigEndian(*mask, key);
    std::copy(key, key + 4, p);
    p += 4;
    for (qsizetype i = 0; i < n; ++i)
        p[i] = uchar(payload[i]) ^ key[i % 4];
    return out;
}

QByteArray closePayload(quint16 code, QByteArrayView reason)
{
    QByteArray out(2, Qt::Uninitialized);
    qToBigEndian(code, out.data());
    // A reason cut inside a UTF-8 sequence would be bad UTF-8 to the page.
    qsizetype n = std::min<qsizetype>(reason.size(), MaxControl - 2);
    while (n > 0 && n < reason.size() && (uchar(reason[n]) & 0xC0) == 0x80)
        --n;
    return out + reason.first(n).toByteArray();
}

Taken take(QByteArray &buffer, bool masked, qint64 maxPayload, Frame *frame)
{
    if (buffer.size() < 2)
        return Taken::NeedMore;
    const auto *b = reinterpret_cast<const uchar *>(buffer.constData());
    const quint8 op = b[0] & 0x0F;
    const bool fin = b[0] & 0x80;
    if ((b[0] & 0x70) || !known(op) || bool(b[1] & 0x80) != masked)
        return Taken::Bad;
    quint64 length = b[1] & 0x7F;
    qsizetype at = 2;
    if (isControl(op) && (length > quint64(MaxControl) || !fin))
        return Taken::Bad;
    if (length == 126) {
        if (buffer.size() < 4)
            return Taken::NeedMore;
        length = qFromBigEndian<quint16>(b + 2);
        at = 4;
    } else if (length == 127) {
        if (buffer.size() < 10)
            return Taken::NeedMore;
        length = qFromBigEndian<quint64>(b + 2);
        at = 10;
    }
    if (length > quint64(maxPayload))
        return Taken::TooLarge;
    const qsizetype keyAt = at;
    if (masked)
        at += 4;
    if (buffer.size() < at + qsizetype(length))
        return Taken::NeedMore;
    frame->op = Op(op);
    frame->fin = fin;
    frame->payload = buffer.mid(at, qsizetype(length));
    if (masked) {
        const uchar *key = b + keyAt;
        for (qsizetype i = 0; i < frame->payload.size(); ++i)
            frame->payload[i] = char(uchar(frame->payload[i]) ^ key[i % 4]);
    }
    buffer.remove(0, at + qsizetype(length));
    return Taken::Frame;
}

QByteArray acceptKey(QByteArrayView key)
{
    return QCryptographicHash::hash(key.toByteArray() + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                    QCryptographicHash::Sha1)
        .toBase64();
}

} // namespace WsFrame
