#pragma once

#include "chat/wadapi.h"
#include "transport/frame.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <vector>

class LocalConnection;

// Why the process at the other end of a connected local socket (its
// descriptor) is not to be trusted: it runs as another user, or the system
// cannot tell. Empty when it runs as ours.
QString foreignPeer(qintptr descriptor);

// The chat-client library over the local socket of the chat client.
//
// InitDDE, DapiCommunicate and DapiGetAllText wait for the client's status
// frame, after the first two milliseconds while window events go on being
// processed; frames are handed to the
// callbacks in the order they come. They give up after the reply timeout,
// when the link breaks or when the waits are abandoned, and then return
// without a status. A request started from an event handled during
// another's wait gets its own status: the client answers in order, so a
// status answers the oldest request still waiting, and the outer request's
// status is handed over as its call returns. Text, event and live-copy
// frames that arrive between requests are handed over while the event loop
// runs; a live copy never answers or ends a request. A
// status frame that answers no request under way (a late answer to a
// request already given up) is dropped. A link that breaks after InitDDE
// succeeded calls OnDapiGone once. A client that runs as another user is
// refused.
//
// The callbacks must not throw; they may call KillDDE.
class SocketWadapi final : public QObject, public Wadapi
{
    Q_OBJECT

public:
    explicit SocketWadapi(const QString &socketPath = defaultWadapiSocketPath(),
                          QObject *parent = nullptr);
    ~SocketWadapi() override;

    // Non-zero results of InitDDE.
    enum InitFailure : qint16
    {
        NoClient = 1,
        NoAnswer = 2,
        Refused = 3,
        ForeignClient = 4
    };

    qint16 InitDDE(const QString &app, WadapiCallbacks *callbacks) override;
    void DapiRegister(const QString &app) override;
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override;
    void DapiGetAllText(const QString &app) override;
    void DapiUnregister(const QString &app) override;
    void DapiNotice(const QByteArray &key, const QByteArray &value) override;
    void DapiGameStatus(const QByteArray &text) override;
    void DapiModerate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                      const QByteArray &reason) override;
    void KillDDE() override;
    bool connected() const override;

    QString socketPath() const { return m_path; }
    // How long a request waits for its status (default 5 s).
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    // How long InitDDE waits for the connection itself (default 1 s).
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }
    // Why the link is down, for the curious; empty while it is up.
    QString lastError() const override { return m_lastError; }

private:
    struct Request
    {
        bool deliverStatus = true;
        bool answered = false;
        bool delivered = false;
        QByteArray code;
    };

    void request(const Frame &frame, Request &req);
    bool send(const Frame &frame);
    void drain();
    void dispatch(const Frame &frame);
    void lose(const QString &why);
    void closeSocket();

    QString m_path;
    std::chrono::milliseconds m_replyTimeout{5000};
    std::chrono::milliseconds m_connectTimeout{1000};
    QPointer<LocalConnection> m_socket;
    FrameDecoder m_decoder;
    WadapiCallbacks *m_callbacks = nullptr;
    std::vector<Request *> m_waiting; // oldest first
    bool m_up = false;
    bool m_established = false;
    QString m_lastError;
};
