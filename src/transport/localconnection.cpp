#include "transport/localconnection.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Read at most this much at a time; the rest waits for the next turn.
constexpr qsizetype Chunk = 64 * 1024;
constexpr qsizetype MostAtOnce = 4 * 1024 * 1024;

// poll() on one descriptor, going on after a signal until ms have passed.
bool pollFor(int fd, short events, int ms)
{
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

LocalConnection::LocalConnection(QObject *parent) : QObject(parent) {}

LocalConnection::~LocalConnection()
{
    close();
}

QString LocalConnection::connectTo(const QString &path, std::chrono::milliseconds timeout)
{
    close();
    m_ended = false;
    m_error.clear();
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return QStringLiteral("not a socket's path");
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return qt_error_string(errno);
    // A client whose queue of connections is full makes connect() wait;
    // only this long.
    const timeval limit{long(timeout.count() / 1000), long(timeout.count() % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    int r;
    do
        r = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        const QString why = errno == EAGAIN ? QStringLiteral("the client takes no connection")
                                            : qt_error_string(errno);
        ::close(fd);
        return why;
    }
    const timeval none{};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &none, sizeof none);
    adopt(fd);
    return {};
}

void LocalConnection::adopt(int fd)
{
    close();
    m_ended = false;
    m_error.clear();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fd = fd;
    m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readable, &QSocketNotifier::activated, this, &LocalConnection::readNow);
    m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &LocalConnection::sendUnsent);
}

bool LocalConnection::write(const QByteArray &bytes)
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("not connected");
        return false;
    }
    // Behind bytes still waiting, the new ones wait too.
    const bool waiting = bytesToWrite() > 0;
    m_unsent.append(bytes);
    if (waiting)
        return true;
    if (const int error = sendSome()) {
        m_error = qt_error_string(error);
        return false;
    }
    return true;
}

int LocalConnection::sendSome()
{
    while (bytesToWrite() > 0) {
        const ssize_t n = ::send(m_fd, m_unsent.constData() + m_unsentAt, size_t(bytesToWrite()),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            m_unsentAt += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        else
            return n < 0 ? errno : EPIPE;
    }
    if (bytesToWrite() == 0) {
        m_unsent.clear();
        m_unsentAt = 0;
    }
    if (m_writable)
        m_writable->setEnabled(bytesToWrite() > 0);
    return 0;
}

void LocalConnection::sendUnsent()
{
    if (!isOpen())
        return;
    if (const int error = sendSome())
        end(error);
    else if (bytesToWrite() == 0)
        emit drained();
}

bool LocalConnection::flush(int ms)
{
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (isOpen() && bytesToWrite() > 0) {
        if (!pollFor(m_fd, POLLOUT, int(std::max<qint64>(0, deadline.remainingTime()))))
            break;
        sendUnsent();
    }
    return bytesToWrite() == 0;
}

bool LocalConnection::waitForReadable(int ms)
{
    if (!m_received.isEmpty())
        return true;
    if (!isOpen() || !pollFor(m_fd, POLLIN, ms))
        return false;
    readNow();
    return true;
}

void LocalConnection::readNow()
{
    if (!isOpen())
        return;
    qsizetype got = 0;
    bool over = false;
    int error = 0;
    // A status or a line comes whole in a small first read; only a block
    // that fills it is read on straight into the buffer handed over.
    char first[4096];
    while (got < MostAtOnce) {
        const qsizetype at = m_received.size();
        const qsizetype room = got == 0 ? qsizetype(sizeof first) : Chunk;
        if (got > 0)
            m_received.resize(at + Chunk);
        char *into = got == 0 ? first : m_received.data() + at;
        const ssize_t n = ::recv(m_fd, into, size_t(room), MSG_DONTWAIT);
        if (got == 0)
            m_received.append(first, std::max<ssize_t>(n, 0));
        else
            m_received.resize(at + std::max<ssize_t>(n, 0));
        if (n > 0) {
            got += n;
            if (n < room)
                break;
        } else if (n == 0) {
            over = true;
            break;
        } else if (errno != EINTR) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                error = errno;
                over = true;
            }
            break;
        }
    }
    if (got > 0)
        emit readyRead();
    // The handler may have closed the connection.
    if (over && isOpen())
        end(error);
}

void LocalConnection::end(int error)
{
    m_ended = true;
    m_error =
        error ? qt_error_string(error) : QStringLiteral("the other end closed the connection");
    if (m_readable)
        m_readable->setEnabled(false);
    if (m_writable)
        m_writable->setEnabled(false);
    emit disconnected();
}

void LocalConnection::close()
{
    // Either may be emitting the signal that led here.
    for (QSocketNotifier *n :
         {std::exchange(m_readable, nullptr), std::exchange(m_writable, nullptr)}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    m_unsent.clear();
    m_unsentAt = 0;
    m_received.clear();
}
