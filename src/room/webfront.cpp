#include "room/webfront.h"

#include "room/forwarded.h"
#include "room/pagesocket.h"
#include "room/wsframe.h"

#include <QFile>
#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

struct Page
{
    const char *path;
    const char *resource;
    const char *type;
};

constexpr Page Pages[] = {
    {"/", ":/orvella/web/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/orvella/web/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/orvella/web/style.css", "text/css; charset=utf-8"},
    {"/card.js", ":/orvella/web/card.js", "text/javascript; charset=utf-8"},
    {"/card.css", ":/orvella/web/card.css", "text/css; charset=utf-8"},
    // The game alone, for a stream or a projector; the code in its fragment.
    {"/overlay", ":/orvella/web/overlay.html", "text/html; charset=utf-8"},
    {"/overlay.js", ":/orvella/web/overlay.js", "text/javascript; charset=utf-8"},
    {"/overlay.css", ":/orvella/web/overlay.css", "text/css; charset=utf-8"},
};

const QString DeadlineName = QStringLiteral("requestDeadline");
const QString CountedName = QStringLiteral("counted");

// The value of a request's header, or null when it has none.
QByteArray header(const QList<QByteArray> &lines, QByteArrayView name)
{
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

bool listsToken(const QByteArray &value, QByteArrayView token)
{
    for (const QByteArray &part : value.split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

const QString WebFront::RoomFull = QStringLiteral("The room is full. Try again later.");
const QString WebFront::TooManyFromAddress =
    QStringLiteral("Too many connections from this address.");

// Listens without Qt's pending queue, which stops accepting at 30
// unfinished TLS handshakes; here every connection is counted at once.
class WebFront::Server final : public QTcpServer
{
public:
    explicit Server(WebFront *front) : QTcpServer(front), m_front(front) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_front->incoming(descriptor); }

private:
    WebFront *m_front;
};

// A child of a connection that counts it in, and out when it goes,
// whoever frees it and whatever signals they cut. A connection past the
// caps counts only among those being refused, with the reason it gets.
struct WebFront::Counted final : QObject
{
    QPointer<WebFront> front;
    QString from; // empty for a trusted proxy's, until its client is known
    QString refusal;

    Counted(QObject *parent, WebFront *f, const QString &address, const QString &why)
        : QObject(parent), front(f), refusal(why)
    {
        setObjectName(CountedName);
        if (!refusal.isEmpty()) {
            ++f->m_refusing;
            return;
        }
        ++f->m_open;
        moveTo(address);
    }
    void moveTo(const QString &address)
    {
        leave();
        from = address;
        if (!from.isEmpty())
            ++front->m_openFrom[from];
    }
    // A proxy's connection found to be past its client's cap.
    void refuse(const QString &why)
    {
        leave();
        --front->m_open;
        ++front->m_refusing;
        refusal = why;
    }
    void leave()
    {
        if (!from.isEmpty() && --front->m_openFrom[from] <= 0)
            front->m_openFrom.remove(from);
        from.clear();
    }
    static Counted *of(QObject *socket)
    {
        return static_cast<Counted *>(socket->findChild<QObject *>(CountedName));
    }
    ~Counted() override
    {
        if (!front)
            return;
        if (!refusal.isEmpty()) {
            --front->m_refusing;
            return;
        }
        --front->m_open;
        leave();
    }
};

WebFront::WebFront(QObject *parent) : QObject(parent) {}

WebFront::~WebFront() = default;

bool WebFront::listen(const QHostAddress &address, quint16 port,
                      const std::optional<QSslConfiguration> &tls)
{
    m_tls = tls;
    m_server = new Server(this);
    // Qt's default backlog of 50 would hold a crowd arriving at once in
    // the system's SYN retries for seconds.
    m_server->setListenBacklogSize(std::max(maxConnections, 50));
    if (!m_server->listen(address, port)) {
        m_error = QStringLiteral("Cannot serve the web page at %1 port %2: %3")
                      .arg(address.toString())
                      .arg(port)
                      .arg(m_server->errorString());
        return false;
    }
    return true;
}

QHostAddress WebFront::address() const
{
    return m_server ? m_server->serverAddress() : QHostAddress();
}

quint16 WebFront::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

bool WebFront::trusted(const QHostAddress &peer) const
{
    return Forwarded::trusts(trustedProxies, peer);
}

void WebFront::turnedAway(const QString &why)
{
    if (m_refused++ == 0) {
        m_refusedWhy = why;
        QTimer::singleShot(1000, this, [this] {
            emit report(m_refused == 1
                            ? QStringLiteral("A web client was turned away: %1").arg(m_refusedWhy)
                            : QStringLiteral("%1 web clients were turned away: %2")
                                  .arg(m_refused)
                                  .arg(m_refusedWhy));
            m_refused = 0;
        });
    }
}

void WebFront::incoming(qintptr descriptor)
{
    QTcpSocket *socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return;
    }
    const QHostAddress peer = Forwarded::plain(socket->peerAddress());
    QString why;
    if (m_open >= maxConnections)
        why = RoomFull;
    else if (!trusted(peer) && m_openFrom.value(peer.toString()) >= maxPerAddress)
        why = TooManyFromAddress;
    if (!why.isEmpty()) {
        turnedAway(
            why == RoomFull
                ? QStringLiteral("the room takes %1 connections at once.").arg(maxConnections)
                : QStringLiteral("one address may hold %1 connections at once.")
                      .arg(maxPerAddress));
        if (m_refusing >= MaxRefusing) {
            socket->abort();
            socket->deleteLater();
            return;
        }
    }
    new Counted(socket, this, trusted(peer) ? QString() : peer.toString(), why);
    start(socket);
}

void WebFront::start(QTcpSocket *socket)
{
    const bool refusing = !Counted::of(socket)->refusal.isEmpty();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::errorOccurred, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    // A handshake or request that does not come whole in time holds a
    // connection for nothing.
    auto *deadline = new QTimer(socket);
    deadline->setObjectName(DeadlineName);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    deadline->start(refusing ? RefuseMs : RequestMs);
    if (m_tls) {
        auto *tls = static_cast<QSslSocket *>(socket);
        tls->setSslConfiguration(*m_tls);
        tls->startServerEncryption();
    }
}

void WebFront::readRequest(QTcpSocket *socket)
{
    const QByteArray head = socket->peek(MaxRequest);
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() >= MaxRequest) {
            answer(socket, "431 Request Header Fields Too Large", "text/plain", "Too large.\n");
            turnedAway(QStringLiteral("a request of more than %1 bytes.").arg(MaxRequest));
        }
        return;
    }
    const QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1.")) {
        answer(socket, "400 Bad Request", "text/plain", "Bad request.\n");
        return;
    }
    if (request[0] != "GET") {
        answer(socket, "405 Method Not Allowed", "text/plain", "Only GET.\n");
        return;
    }
    Counted *counted = Counted::of(socket);
    const QHostAddress peer = Forwarded::plain(socket->peerAddress());
    const QHostAddress client = Forwarded::clientAddress(peer, lines, trustedProxies);
    if (counted->refusal.isEmpty() && trusted(peer)) {
        // A proxy's connection counts for the client it names.
        const QString from = client.toString();
        if (!trusted(client) && m_openFrom.value(from) >= maxPerAddress) {
            turnedAway(
                QStringLiteral("one address may hold %1 connections at once.").arg(maxPerAddress));
            counted->refuse(TooManyFromAddress);
        } else {
            counted->moveTo(trusted(client) ? QString() : from);
        }
    }
    const QByteArray path = request[1].split('?').first();
    if (path == "/ws") {
        const QByteArray host = header(lines, "Host");
        if (!originAllowed(host, header(lines, "Origin"))) {
            answer(socket, "403 Forbidden", "text/plain", "Join from the room's own page.\n");
            turnedAway(QStringLiteral("it did not come from the room's own page."));
            return;
        }
        upgrade(socket, lines, client);
        return;
    }
    if (!counted->refusal.isEmpty()) {
        answer(socket, "503 Service Unavailable", "text/plain", counted->refusal.toUtf8() + '\n');
        return;
    }
    for (const Page &page : Pages) {
        if (path == page.path) {
            QFile file(QString::fromLatin1(page.resource));
            if (!file.open(QIODevice::ReadOnly)) {
                answer(socket, "500 Internal Server Error", "text/plain", "Not served.\n");
                emit report(QStringLiteral("The page's file %1 cannot be read: %2")
                                .arg(file.fileName(), file.errorString()));
                return;
            }
            answer(socket, "200 OK", page.type, file.readAll());
            return;
        }
    }
    answer(socket, "404 Not Found", "text/plain", "Not found.\n");
}

void WebFront::upgrade(QTcpSocket *socket, const QList<QByteArray> &lines,
                       const QHostAddress &client)
{
    const QByteArray key = header(lines, "Sec-WebSocket-Key");
    if (!listsToken(header(lines, "Upgrade"), "websocket") ||
        !listsToken(header(lines, "Connection"), "upgrade") ||
        header(lines, "Sec-WebSocket-Version") != "13" ||
        QByteArray::fromBase64(key).size() != 16) {
        answer(socket, "400 Bad Request", "text/plain", "A WebSocket upgrade only.\n");
        return;
    }
    // The request goes; any frames sent right behind it stay for the page's socket.
    socket->read(socket->peek(MaxRequest).indexOf("\r\n\r\n") + 4);
    disconnect(socket, nullptr, this, nullptr);
    disconnect(socket, nullptr, socket, nullptr);
    delete socket->findChild<QTimer *>(DeadlineName);
    socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                  "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                  WsFrame::acceptKey(key) + "\r\n\r\n");
    auto *page = new PageSocket(socket, client, this);
    const QString refusal = Counted::of(socket)->refusal;
    if (refusal.isEmpty()) {
        emit personArrived(page);
        return;
    }
    // The page says why, as it does for the room's other refusals.
    page->sendText(QString::fromUtf8(
        QJsonDocument(QJsonObject{{u"type"_qs, u"refused"_qs}, {u"why"_qs, refusal}})
            .toJson(QJsonDocument::Compact)));
    page->close(WsFrame::PolicyViolated, refusal);
}

void WebFront::answer(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                      const QByteArray &body)
{
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->read(MaxRequest);
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                  "\r\nContent-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\nCache-Control: no-store"
                  "\r\nX-Content-Type-Options: nosniff\r\nReferrer-Policy: no-referrer"
                  "\r\nContent-Security-Policy: default-src 'self'; connect-src 'self'; "
                  "frame-ancestors 'none'; base-uri 'none'; form-action 'none'\r\n\r\n" +
                  body);
    socket->disconnectFromHost();
}

bool WebFront::originAllowed(const QByteArray &host, const QByteArray &given) const
{
    const QString asked = originOf(QString::fromLatin1(given));
    if (!asked.isEmpty() &&
        std::ranges::any_of(origins, [&](const QString &o) { return originOf(o) == asked; }))
        return true;
    const QByteArray scheme = m_tls ? "https://" : "http://";
    return knownHost(host) && given.compare(scheme + host, Qt::CaseInsensitive) == 0;
}

QString WebFront::originOf(const QString &url)
{
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme(); // in lower case
    const int defaultPort = scheme == u"https" ? 443 : 80;
    if (!u.isValid() || (scheme != u"http" && scheme != u"https") || u.host().isEmpty() ||
        !u.userInfo().isEmpty() || !(u.path().isEmpty() || u.path() == u"/") || u.hasQuery() ||
        u.hasFragment())
        return {};
    QString host = u.host(QUrl::FullyEncoded);
    if (host.contains(u':'))
        host = u'[' + host + u']';
    const int port = u.port(defaultPort);
    return scheme + QStringLiteral("://") + host +
           (port == defaultPort ? QString() : u':' + QString::number(port));
}

bool WebFront::knownHost(const QByteArray &host) const
{
    // A name this machine does not know could be one an attacker's DNS
    // points here; an address or the machine's own name cannot.
    const QUrl url(QStringLiteral("http://") + QString::fromLatin1(host));
    if (!url.isValid() || url.port(m_tls ? 443 : 80) != port() || !url.userInfo().isEmpty() ||
        url.path().size() > 0)
        return false;
    const QString name = url.host();
    QHostAddress literal;
    if (literal.setAddress(name))
        return true;
    const QString me = QHostInfo::localHostName();
    return name.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
           (!me.isEmpty() &&
            (name.compare(me, Qt::CaseInsensitive) == 0 ||
             name.compare(me + QStringLiteral(".local"), Qt::CaseInsensitive) == 0));
}
