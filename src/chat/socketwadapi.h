#pragma once

#include "chat/frame.h"
#include "chat/wadapi.h"

#include <QObject>
#include <QPointer>

#include <chrono>

class QLocalSocket;

// The chat-client library over the local socket of the chat client.
//
// InitDDE, DapiCommunicate and DapiGetAllText block without processing
// window events until the client's status frame arrives; text and event
// frames that come first are handed to the callbacks in order during the
// call. They give up after the reply timeout or when the link breaks, and
// then return without a status. Text and event frames that arrive between
// requests are handed over while the event loop runs. A status frame that
// answers no request under way (a late answer to a request already given
// up) is dropped.
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
        Refused = 3
    };

    qint16 InitDDE(const QString &app, WadapiCallbacks *callbacks) override;
    void DapiRegister(const QString &app) override;
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override;
    void DapiGetAllText(const QString &app) override;
    void DapiUnregister(const QString &app) override;
    void KillDDE() override;
    bool connected() const override;

    QString socketPath() const { return m_path; }
    // How long a request waits for its status (default 5 s).
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    // How long InitDDE waits for the connection itself (default 1 s).
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }
    // Why the link is down, for the curious; empty while it is up.
    QString lastError() const { return m_lastError; }

private:
    struct Request
    {
        bool deliverStatus = true;
        bool answered = false;
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
    QPointer<QLocalSocket> m_socket;
    FrameDecoder m_decoder;
    WadapiCallbacks *m_callbacks = nullptr;
    Request *m_request = nullptr;
    bool m_up = false;
    QString m_lastError;
};
