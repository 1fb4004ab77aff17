#include "irc/ircconnection.h"

#include "irc/irctext.h"

#include <QSslConfiguration>
#include <QSslSocket>

IrcConnection::IrcConnection(const IrcSettings &settings, IrcClock &clock, QObject *parent)
    : QObject(parent), m_s(settings), m_idle(clock.timer([this] {
          send("PING", {"orvella-alive"});
          m_answer->start(m_s.answerMs);
      })),
      m_answer(clock.timer(
          [this] { drop(QStringLiteral("The IRC server stopped answering."), State::Waiting); })),
      m_retry(clock.timer([this] { open(); }))
{}

IrcConnection::~IrcConnection()
{
    if (m_socket)
        m_socket->disconnect(this);
}

void IrcConnection::open()
{
    if (m_state != State::Idle && m_state != State::Waiting)
        return;
    m_state = State::Connecting;
    auto *socket = new QSslSocket(this);
    m_socket = socket;
    m_lines.reset();
    m_certificateFault.clear();
    if (!m_s.caCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_s.caCertificates);
        socket->setSslConfiguration(tls);
    }
    connect(socket, m_s.tls ? &QSslSocket::encrypted : &QSslSocket::connected, this, [this] {
        if (m_s.tls && !pinMatches()) {
            m_certificateFault = pinFault();
            drop(m_certificateFault, State::Waiting);
            return;
        }
        m_certificateFaults = 0;
        m_state = State::Open;
        emit opened();
    });
    connect(socket, &QSslSocket::readyRead, this, &IrcConnection::onRead);
    connect(socket, &QSslSocket::disconnected, this, [this] {
        drop(QStringLiteral("The IRC server closed the connection."), State::Waiting);
    });
    connect(socket, &QSslSocket::errorOccurred, this, [this, socket] {
        if (socket == m_socket)
            drop(m_certificateFault.isEmpty() ? socket->errorString() : m_certificateFault,
                 State::Waiting);
    });
    connect(socket, &QSslSocket::sslErrors, this, [this, socket](const QList<QSslError> &errors) {
        // A pinned certificate is trusted for itself, whoever signed it, and
        // any other is refused for not being it.
        if (!m_s.pinnedSha256.isEmpty()) {
            if (pinMatches())
                socket->ignoreSslErrors(errors);
            else
                m_certificateFault = pinFault();
            return;
        }
        QStringList why;
        for (const QSslError &e : errors)
            why << e.errorString();
        m_certificateFault = QStringLiteral("The server's certificate is refused: %1")
                                 .arg(why.join(QStringLiteral("; ")));
    });
    emit report(QStringLiteral("Connecting to %1 port %2%3 ...")
                    .arg(m_s.host)
                    .arg(m_s.port)
                    .arg(m_s.tls ? QStringLiteral(" with TLS") : QString()));
    m_answer->start(m_s.answerMs);
    if (m_s.tls)
        socket->connectToHostEncrypted(m_s.host, m_s.port);
    else
        socket->connectToHost(m_s.host, m_s.port);
}

void IrcConnection::send(const QByteArray &command, const QList<QByteArray> &params)
{
    if (!m_socket)
        return;
    const QByteArray line = IrcMessage::encode(command, params);
    // Every caller builds its parameters from checked text, so an empty line
    // here is a fault of ours; dropping it beats sending half of it.
    if (line.isEmpty()) {
        emit report(QStringLiteral("Refused to send a malformed %1 command.")
                        .arg(QString::fromLatin1(command)));
        return;
    }
    m_socket->write(line);
}

void IrcConnection::close(const QString &why)
{
    m_retry->stop();
    if (m_socket)
        drop(why, State::Closed);
    m_state = State::Closed;
}

void IrcConnection::onRead()
{
    QSslSocket *socket = m_socket;
    if (!socket)
        return;
    m_answer->stop();
    m_idle->start(m_s.idleMs);
    m_lines.feed(socket->readAll());
    // A slot may drop this socket while a line is handled.
    while (m_socket == socket) {
        const std::optional<QByteArray> line = m_lines.next();
        if (!line)
            break;
        const std::optional<IrcMessage> m = IrcMessage::parse(*line);
        if (!m)
            continue;
        if (m->command == "PING")
            send("PONG", m->params);
        else if (m->command == "ERROR")
            emit report(QStringLiteral("The server says ") + IrcText::decode(m->trailing()));
        else
            emit received(*m);
    }
}

bool IrcConnection::pinMatches() const
{
    return m_s.pinnedSha256.isEmpty() ||
           (m_socket &&
            m_socket->peerCertificate().digest(QCryptographicHash::Sha256) == m_s.pinnedSha256);
}

QString IrcConnection::pinFault() const
{
    const QByteArray shown =
        m_socket ? m_socket->peerCertificate().digest(QCryptographicHash::Sha256) : QByteArray();
    return QStringLiteral("The server's certificate fingerprint %1 does not match the one given, "
                          "%2.")
        .arg(QString::fromLatin1(shown.toHex(':').toUpper()),
             QString::fromLatin1(m_s.pinnedSha256.toHex(':').toUpper()));
}

void IrcConnection::drop(const QString &why, State next)
{
    QSslSocket *socket = m_socket;
    if (!socket)
        return;
    // A certificate refused again and again will not change by itself.
    if (!m_certificateFault.isEmpty() && next == State::Waiting &&
        ++m_certificateFaults >= m_s.certificateTries)
        next = State::Closed;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    m_idle->stop();
    m_answer->stop();
    m_state = next;
    emit report(why);
    emit lost();
    if (m_state == State::Closed && !m_certificateFault.isEmpty() &&
        m_certificateFaults >= m_s.certificateTries) {
        emit report(QStringLiteral("Stopped trying after %1 refused certificates.")
                        .arg(m_certificateFaults));
        emit gaveUp(why);
    }
    if (m_state != State::Waiting)
        return;
    const int wait = static_cast<int>(
        std::min<qint64>(m_s.retryMaxMs, qint64(m_s.retryMinMs) << std::min(m_retries, 16)));
    ++m_retries;
    emit report(QStringLiteral("Trying again in %1 s.").arg(wait / 1000.0));
    m_retry->start(wait);
}
