#include "room/webfront.h"

#include "room/forwarded.h"

#include <QFile>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QPointer>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>

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

} // namespace

// A child of a connection that counts it in while it lives, whoever frees it
// and whatever signals they cut: in the room's count at once, in its
// client's once the client is known.
struct WebFront::Counted final : QObject
{
    static constexpr QStringView Name = u"counted";
    QPointer<WebFront> front;
    const QHostAddress peer;
    QHostAddress client;
    bool known = false;

    Counted(QTcpSocket *socket, WebFront *f, const QHostAddress &from)
        : QObject(socket), front(f), peer(from)
    {
        setObjectName(Name.toString());
        ++f->m_open;
    }
    ~Counted() override
    {
        if (!front)
            return;
        --front->m_open;
        if (known && --front->m_openFrom[client.toString()] <= 0)
            front->m_openFrom.remove(client.toString());
    }
    void countAs(const QHostAddress &address)
    {
        client = address;
        known = true;
        ++front->m_openFrom[client.toString()];
    }
    static Counted *of(QObject *socket)
    {
        return static_cast<Counted *>(
            socket->findChild<QObject *>(Name.toString(), Qt::FindDirectChildrenOnly));
    }
};

WebFront::WebFront(QObject *parent)
    : QObject(parent), m_server(nullptr),
      m_sockets(new QWebSocketServer(QStringLiteral("orvella-room"),
                                     QWebSocketServer::NonSecureMode, this))
{
    connect(m_sockets, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *socket = m_sockets->nextPendingConnection()) {
            // The connection under it is not the WebSocket's to free; it
            // goes, and leaves the count, when the WebSocket does.
            m_upgrading.removeIf([](const auto &tcp) { return !tcp; });
            QHostAddress client = Forwarded::plain(socket->peerAddress());
            for (const QPointer<QTcpSocket> &tcp : std::exchange(m_upgrading, {})) {
                if (tcp->peerPort() == socket->peerPort() &&
                    tcp->peerAddress() == socket->peerAddress()) {
                    connect(socket, &QObject::destroyed, tcp, &QObject::deleteLater);
                    if (const Counted *counted = Counted::of(tcp); counted && counted->known)
                        client = counted->client;
                } else {
                    m_upgrading << tcp;
                }
            }
            socket->setMaxAllowedIncomingFrameSize(MaxFrame);
            socket->setMaxAllowedIncomingMessageSize(MaxFrame);
            emit personArrived(socket, client);
        }
    });
}

WebFront::~WebFront() = default;

bool WebFront::listen(const QHostAddress &address, quint16 port,
                      const std::optional<QSslConfiguration> &tls)
{
    m_tls = tls;
    if (tls) {
        auto *server = new QSslServer(this);
        server->setSslConfiguration(*tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    // A TLS connection is pending only once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &WebFront::accept);
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

void WebFront::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_open >= maxConnections) {
            socket->abort();
            socket->deleteLater();
            turnedAway(
                QStringLiteral("the room takes %1 connections at once.").arg(maxConnections));
            continue;
        }
        // A trusted proxy's connection is its client's, known from the request.
        const QHostAddress peer = Forwarded::plain(socket->peerAddress());
        const bool proxied = Forwarded::trusts(trustedProxies, peer);
        if (!proxied && m_openFrom.value(peer.toString()) >= maxPerAddress) {
            socket->abort();
            socket->deleteLater();
            turnedAway(
                QStringLiteral("one address may hold %1 connections at once.").arg(maxPerAddress));
            continue;
        }
        auto *counted = new Counted(socket, this, peer);
        if (!proxied)
            counted->countAs(peer);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // A request that does not come whole in time holds a connection for nothing.
        auto *deadline = new QTimer(socket);
        deadline->setObjectName(QStringLiteral("requestDeadline"));
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
        deadline->start(RequestMs);
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
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
    // One request a connection: behind a proxy, it is one client's.
    if (Counted *counted = Counted::of(socket); counted && !counted->known) {
        const QHostAddress client = Forwarded::clientAddress(counted->peer, lines, trustedProxies);
        if (m_openFrom.value(client.toString()) >= maxPerAddress) {
            answer(socket, "429 Too Many Requests", "text/plain",
                   "Too many connections from one address.\n");
            turnedAway(
                QStringLiteral("one address may hold %1 connections at once.").arg(maxPerAddress));
            return;
        }
        counted->countAs(client);
    }
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    if (request.size() != 3 || !request[2].startsWith("HTTP/1.")) {
        answer(socket, "400 Bad Request", "text/plain", "Bad request.\n");
        return;
    }
    if (request[0] != "GET") {
        answer(socket, "405 Method Not Allowed", "text/plain", "Only GET.\n");
        return;
    }
    const QByteArray path = request[1].split('?').first();
    if (path == "/ws") {
        const QByteArray host = header(lines, "Host");
        const QByteArray origin = header(lines, "Origin");
        const QByteArray scheme = m_tls ? "https://" : "http://";
        const bool ownPage =
            knownHost(host) && origin.compare(scheme + host, Qt::CaseInsensitive) == 0;
        if (!ownPage && !publicOrigin(origin)) {
            answer(socket, "403 Forbidden", "text/plain", "Join from the room's own page.\n");
            turnedAway(QStringLiteral("it did not come from the room's own page."));
            return;
        }
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        delete socket->findChild<QTimer *>(QStringLiteral("requestDeadline"));
        m_upgrading << socket;
        m_sockets->handleConnection(socket);
        return;
    }
    for (const Page &page : Pages) {
        if (path == page.path) {
            QFile file(QString::fromLatin1(page.resource));
            file.open(QIODevice::ReadOnly);
            answer(socket, "200 OK", page.type, file.readAll());
            return;
        }
    }
    answer(socket, "404 Not Found", "text/plain", "Not found.\n");
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

bool WebFront::publicOrigin(const QByteArray &origin) const
{
    const QString asked = originOf(QString::fromLatin1(origin));
    return !asked.isEmpty() &&
           std::ranges::any_of(origins, [&](const QString &o) { return originOf(o) == asked; });
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
