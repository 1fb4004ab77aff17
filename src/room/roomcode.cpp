#include "room/roomcode.h"

#include <qrencode.h>

#include <memory>

QString terminalQrCode(const QString &text)
{
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> qr(
        QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_L, QR_MODE_8, 1),
        &QRcode_free);
    if (!qr)
        return {};
    // A quiet zone of two modules; dark modules print as spaces on a light
    // block, so the code reads on dark and light terminals alike.
    const int quiet = 2;
    const int size = qr->width + 2 * quiet;
    const auto dark = [&](int x, int y) {
        x -= quiet;
        y -= quiet;
        return x >= 0 && y >= 0 && x < qr->width && y < qr->width &&
               (qr->data[y * qr->width + x] & 1);
    };
    QString out;
    for (int y = 0; y < size; y += 2) {
        for (int x = 0; x < size; ++x) {
            const bool top = dark(x, y);
            const bool bottom = y + 1 < size && dark(x, y + 1);
            out += top ? (bottom ? u' ' : u'\u2584') : (bottom ? u'\u2580' : u'\u2588');
        }
        out += u'\n';
    }
    return out;
}
