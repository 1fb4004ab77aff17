#include "chatclient/listenat.h"

#include "transport/frame.h"
#include "transport/socketwadapi.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX
namespace {

// A socket's folder that another user may write in lets that user put a
// socket of their own in its place.
bool privateFolder(const QString &folder, QString *error)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) == 0)
        return true;
    struct stat st;
    if (errno != EEXIST || ::lstat(name.constData(), &st) != 0) {
        *error = QStringLiteral("Cannot make the folder %1: %2")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is not a folder of this user's alone (mode 0700); leaving "
                                "it alone.")
                     .arg(folder);
        return false;
    }
    return true;
}

} // namespace
#endif

bool listenAt(QLocalServer &server, const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) ||
        (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") &&
         folder == QFileInfo(defaultWadapiSocketPath()).absolutePath())) {
        if (!privateFolder(folder, error))
            return false;
    }
    struct stat st;
    const bool other =
        ::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISSOCK(st.st_mode);
#else
    const bool other = QFile::exists(path);
#endif
    if (other) {
        *error = QStringLiteral("%1 exists and is not a socket; leaving it alone.").arg(path);
        return false;
    }
    if (QFile::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            const QString foreign = foreignPeer(probe.socketDescriptor());
            *error = foreign.isEmpty()
                         ? QStringLiteral("Something is already listening at %1.").arg(path)
                         : QStringLiteral("Something is already listening at %1, and %2.")
                               .arg(path, foreign);
            return false;
        }
        QLocalServer::removeServer(path);
    }
    if (!server.listen(path)) {
        *error = QStringLiteral("Cannot listen at %1: %2").arg(path, server.errorString());
        return false;
    }
    return true;
}
