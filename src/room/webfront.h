#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QStringList>

#include <optional>

class PageSocket;
class QTcpServer;
class QTcpSocket;

// The web page's door: one TCP port that serves the page's few files,
// compiled in as resources, and hands a WebSocket upgrade at /ws on to the
// room. Every connection counts against the caps from the moment it is
// accepted, a TLS handshake included, with a deadline for its handshake and
// request; a request must come whole, small and quickly; an upgrade must
// come from a page this server served (its Origin matches its Host, and the
// Host is an address or a name of this machine, so no other site's page can
// reach the room through a visitor's browser) or from an origin the host
// named.
class WebFront final : public QObject
{
    Q_OBJECT

public:
    explicit WebFront(QObject *parent = nullptr);
    ~WebFront() override;

    // With tls, the page and the socket are served over TLS only.
    bool listen(const QHostAddress &address, quint16 port,
                const std::optional<QSslConfiguration> &tls = std::nullopt);
    QString errorString() const { return m_error; }
    QHostAddress address() const;
    quint16 port() const;
    bool secure() const { return m_tls.has_value(); }

    // Connections at once, page requests and people together.
    int maxConnections = 200;
    // Connections at once from one address, this machine's too.
    int maxPerAddress = 40;
    int connections() const { return m_open; }
    // Proxies whose X-Forwarded-For or Forwarded header names the client
    // (room/forwarded.h). Their own connections count against the room's
    // cap alone until the request's head says whose they are, then against
    // that client's address.
    QList<QHostAddress> trustedProxies;
    // The origins a proxy serves the page under ("https://quiz.example.org"):
    // an upgrade from such a page is taken whatever its Host.
    QStringList origins;
    // url as an origin, "scheme://host[:port]" in lower case without the
    // default port; empty unless url is http or https, a host and perhaps
    // a port and "/", nothing else.
    static QString originOf(const QString &url);

    static constexpr qsizetype MaxRequest = 8192;
    // A handshake and a request must both be done within this.
    static constexpr int RequestMs = 10000;
    // Past the caps, a few connections are still read, for the page to be
    // told why, each for at most RefuseMs.
    static constexpr int MaxRefusing = 16;
    static constexpr int RefuseMs = 2000;

    static const QString RoomFull;
    static const QString TooManyFromAddress;

signals:
    // A person's socket, open; whoever takes it owns it.
    void personArrived(PageSocket *socket);
    void report(const QString &line);

private:
    struct Counted;
    class Server;

    void incoming(qintptr descriptor);
    void start(QTcpSocket *socket);
    void readRequest(QTcpSocket *socket);
    void upgrade(QTcpSocket *socket, const QList<QByteArray> &lines, const QHostAddress &client);
    void answer(QTcpSocket *socket, const QByteArray &status, const QByteArray &type,
                const QByteArray &body);
    bool originAllowed(const QByteArray &host, const QByteArray &origin) const;
    bool knownHost(const QByteArray &host) const;
    bool trusted(const QHostAddress &peer) const;
    void turnedAway(const QString &why);

    Server *m_server = nullptr;
    std::optional<QSslConfiguration> m_tls;
    QString m_error;
    int m_open = 0;
    int m_refusing = 0;
    QHash<QString, int> m_openFrom;
    // Refusals are counted and reported once a second, not one line each.
    int m_refused = 0;
    QString m_refusedWhy;
};
