#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

class QSocketNotifier;

// One end of a connection on a local (Unix-domain) socket, on the descriptor
// itself: a read empties the socket into one buffer, a write goes to the
// system at once and waits in a buffer only for what it does not take. It is
// all either end of the chat link needs of a socket, without the network
// module's layers, which cost the program's start and, on both ends, every
// round trip: Qt's own write arms and disarms a write notifier for every
// frame, and each change wakes the event loop.
class LocalConnection final : public QObject
{
    Q_OBJECT

public:
    explicit LocalConnection(QObject *parent = nullptr);
    ~LocalConnection() override;

    // Connects to the socket at path within timeout; empty on success,
    // otherwise why not, in the system's words.
    QString connectTo(const QString &path, std::chrono::milliseconds timeout);
    // Takes over the descriptor of a socket that is connected already, such
    // as one a server has accepted.
    void adopt(int fd);
    int descriptor() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0 && !m_ended; }

    // Sends bytes after any still waiting; false when the connection is
    // broken (errorString() says how).
    bool write(const QByteArray &bytes);
    // Waits at most ms until what waits to be sent is gone.
    bool flush(int ms);
    qsizetype bytesToWrite() const { return m_unsent.size() - m_unsentAt; }

    // What has arrived, handed over once.
    QByteArray takeReceived() { return std::exchange(m_received, {}); }
    // Waits at most ms for bytes or the end, reading them (readyRead and
    // disconnected are emitted in here); whether either came.
    bool waitForReadable(int ms);

    QString errorString() const { return m_error; }
    void close();

signals:
    void readyRead();
    // The other end closed or the connection broke; emitted once.
    void disconnected();
    // Bytes that had to wait have all gone to the system, so a writer that
    // holds back while the other end is slow may go on.
    void drained();

private:
    void readNow();
    // Sends what waits as far as the system takes it; the system's error
    // when the connection broke, 0 otherwise.
    int sendSome();
    void sendUnsent();
    void end(int error);

    int m_fd = -1;
    bool m_ended = false;
    QSocketNotifier *m_readable = nullptr;
    QSocketNotifier *m_writable = nullptr;
    QByteArray m_received;
    QByteArray m_unsent;
    qsizetype m_unsentAt = 0;
    QString m_error;
};
