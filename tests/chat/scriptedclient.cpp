#include "chat/scriptedclient.h"

#include <QLocalServer>
#include <QLocalSocket>

bool ScriptedClient::startListening()
{
    start();
    return m_listening.tryAcquire(1, 5000) && m_ok;
}

QList<Frame> ScriptedClient::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

bool ScriptedClient::waitForReceived(int count)
{
    // One permit per frame received, handed back for the next wait.
    if (!m_arrived.tryAcquire(count, 5000))
        return false;
    m_arrived.release(count);
    return true;
}

void ScriptedClient::run()
{
    QLocalServer server;
    m_ok = server.listen(m_path);
    m_listening.release();
    if (!m_ok)
        return;
    FrameDecoder decoder;
    qsizetype next = 0;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket *socket = server.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
            decoder.feed(socket->readAll());
            while (std::optional<Frame> f = decoder.next()) {
                m_mutex.lock();
                m_received << *f;
                m_mutex.unlock();
                m_arrived.release();
                if (next < m_replies.size())
                    socket->write(m_replies.at(next));
                ++next;
            }
            socket->flush();
        });
    });
    exec();
}

QByteArray frames(std::initializer_list<Frame> list)
{
    QByteArray out;
    for (const Frame &f : list)
        out += encodeFrame(f);
    return out;
}
