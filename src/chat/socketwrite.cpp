#include "chat/socketwrite.h"

#include <QLocalSocket>

#include <cerrno>

#include <sys/socket.h>

bool writeAtOnce(QLocalSocket &socket, const QByteArray &bytes)
{
    qsizetype done = 0;
    const qintptr fd = socket.socketDescriptor();
    if (fd >= 0 && socket.bytesToWrite() == 0 && socket.state() == QLocalSocket::ConnectedState) {
        while (done < bytes.size()) {
            const ssize_t n = ::send(int(fd), bytes.constData() + done, size_t(bytes.size() - done),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                done += n;
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // full, or broken: Qt's own write sees to it and reports it
        }
    }
    if (done == bytes.size())
        return true;
    const QByteArray rest = done == 0 ? bytes : bytes.sliced(done);
    if (socket.write(rest) != rest.size())
        return false;
    socket.flush();
    return true;
}
