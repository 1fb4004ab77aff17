#include "chatclient/listenat.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

bool listenAt(QLocalServer &server, const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
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
            *error = QStringLiteral("Something is already listening at %1.").arg(path);
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
