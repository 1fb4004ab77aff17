#pragma once

#include "chat/frame.h"

#include <QByteArrayList>
#include <QMutex>
#include <QSemaphore>
#include <QThread>

// A chat client on a thread of its own (the link blocks while it waits for
// an answer): answers the n-th frame it receives with the n-th reply, bytes
// as they are, and records what it received.
class ScriptedClient final : public QThread
{
public:
    ScriptedClient(const QString &path, const QByteArrayList &replies)
        : m_path(path), m_replies(replies)
    {}
    ~ScriptedClient() override
    {
        quit();
        wait();
    }

    bool startListening();
    QList<Frame> received() const;
    // Waits until count frames in all have come.
    bool waitForReceived(int count);

protected:
    void run() override;

private:
    const QString m_path;
    const QByteArrayList m_replies;
    QSemaphore m_listening;
    QSemaphore m_arrived;
    bool m_ok = false;
    mutable QMutex m_mutex;
    QList<Frame> m_received;
};

// Frames back to back, as one reply.
QByteArray frames(std::initializer_list<Frame> list);
