#include "room/webroom.h"

#include "chat/wadapi.h"
#include "chatclient/wadapiserver.h"
#include "room/roomcode.h"

#include <QFile>
#include <QNetworkInterface>
#include <QSslCertificate>
#include <QSslKey>

namespace {

// "8080", "0.0.0.0:8080", "[::1]:8080"; false when it is none of these.
bool parseListen(const QString &text, QHostAddress *address, quint16 *port)
{
    QString host = QStringLiteral("127.0.0.1");
    QString number = text;
    if (const qsizetype colon = text.lastIndexOf(u':'); colon >= 0) {
        host = text.left(colon);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        number = text.mid(colon + 1);
    }
    bool ok = false;
    const uint value = number.toUInt(&ok);
    if (!ok || value > 65535 || !address->setAddress(host))
        return false;
    *port = quint16(value);
    return true;
}

std::optional<QSslConfiguration> tlsFrom(const WebOptions &options, QString *error)
{
    QFile certFile(options.cert);
    QFile keyFile(options.key);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the certificate %1 or the key %2.")
                     .arg(options.cert, options.key);
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.read(1 << 20));
    QSslKey key(keyFile.read(1 << 20), QSsl::Rsa);
    if (key.isNull()) {
        keyFile.seek(0);
        key = QSslKey(keyFile.read(1 << 20), QSsl::Ec);
    }
    if (chain.isEmpty() || key.isNull()) {
        *error = QStringLiteral("%1 holds no PEM certificate or %2 no PEM key (RSA or EC).")
                     .arg(options.cert, options.key);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

} // namespace

void WebRoom::follow(WadapiServer &server)
{
    QObject::connect(&server, &WadapiServer::privateMessage, &people, &WebPeople::espFromHost);
    QObject::connect(&server, &WadapiServer::notice, &people,
                     [this](const QString &key, const QString &value) {
                         if (key == QLatin1String(NoticeKey::RegChar))
                             people.setRegChar(value);
                     });
    QObject::connect(&server, &WadapiServer::gameStatus, &people, &WebPeople::setStatus);
    QObject::connect(&server, &WadapiServer::programLeft, &people, &WebPeople::hostAway);
}

QString WebRoom::url() const
{
    QHostAddress shown = front.address();
    if (shown == QHostAddress::Any || shown == QHostAddress::AnyIPv4 ||
        shown == QHostAddress::AnyIPv6) {
        shown = QHostAddress::LocalHost;
        for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                shown = a;
                break;
            }
        }
    }
    const QString host = shown.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + shown.toString() + u']'
                             : shown.toString();
    return QStringLiteral("%1://%2:%3/#%4")
        .arg(front.secure() ? QStringLiteral("https") : QStringLiteral("http"), host)
        .arg(front.port())
        .arg(people.code());
}

QStringList WebRoom::banner() const
{
    QStringList lines{QStringLiteral("People join in a browser at %1 with the room code %2")
                          .arg(url(), people.code())};
    const QString qr = terminalQrCode(url());
    if (!qr.isEmpty())
        lines += qr.chopped(1).split(u'\n');
    return lines;
}

std::unique_ptr<WebRoom> openWebRoom(ChatRoom &room, const WebOptions &options, QString *error)
{
    QHostAddress address;
    quint16 port = 0;
    if (!parseListen(options.listen, &address, &port)) {
        *error = QStringLiteral("--web takes [ADDRESS:]PORT, such as 8080 or 0.0.0.0:8080.");
        return nullptr;
    }
    if (!options.code.isEmpty() && !WebPeople::validCode(options.code)) {
        *error = QStringLiteral("--code takes 5 letters, without I, L, O, U or V.");
        return nullptr;
    }
    if (options.cert.isEmpty() != options.key.isEmpty()) {
        *error = QStringLiteral("--cert and --key go together.");
        return nullptr;
    }
    QList<QHostAddress> proxies;
    for (const QString &text : options.trustProxies) {
        QHostAddress proxy;
        if (!proxy.setAddress(text) || text.contains(u'%')) {
            *error = QStringLiteral("--trust-proxy takes the IP address of a proxy, such as "
                                    "127.0.0.1 or ::1, not \"%1\".")
                         .arg(text);
            return nullptr;
        }
        proxies << proxy;
    }
    QStringList origins;
    for (const QString &text : options.origins) {
        const QString origin = WebFront::originOf(text);
        if (origin.isEmpty()) {
            *error = QStringLiteral("--origin takes the address the players open, http or https, "
                                    "a host and perhaps a port, such as "
                                    "https://quiz.example.org, not \"%1\".")
                         .arg(text);
            return nullptr;
        }
        origins << origin;
    }
    std::optional<QSslConfiguration> tls;
    if (!options.cert.isEmpty() && !(tls = tlsFrom(options, error)))
        return nullptr;
    auto web = std::make_unique<WebRoom>(room, options.code.isEmpty() ? WebPeople::newCode()
                                                                      : options.code);
    web->front.trustedProxies = proxies;
    web->front.origins = origins;
    if (!web->front.listen(address, port, tls)) {
        *error = web->front.errorString();
        return nullptr;
    }
    return web;
}
