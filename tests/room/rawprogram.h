#pragma once

#include "chat/frame.h"
#include "room/waituntil.h"

#include <QLocalSocket>

// The program's end of the socket, frame by frame.
struct RawProgram
{
    RawProgram()
    {
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] {
            decoder.feed(socket.readAll());
            while (std::optional<Frame> f = decoder.next())
                frames << *f;
        });
    }
    bool connectTo(const QString &path)
    {
        socket.connectToServer(path);
        return socket.waitForConnected(5000);
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    void send(const Frame &frame) { send(encodeFrame(frame)); }
    bool waitForFrames(qsizetype count)
    {
        return waitUntil([&] { return frames.size() >= count; });
    }
    bool waitForDisconnect()
    {
        return waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; });
    }

    QLocalSocket socket;
    FrameDecoder decoder;
    QList<Frame> frames;
};
