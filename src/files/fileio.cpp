#include "files/fileio.h"

#include "files/ansi.h"
#include "game/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {

// QFile keeps no errno, so the cause is read off the file system.
Failure openFailure(const QString &path, bool forWriting, int savedErrno)
{
    const QFileInfo info(path);
    if (savedErrno == ENOSPC)
        return Failure(ErrDiskFull);
    if (!info.absoluteDir().exists())
        return Failure(ErrPathNotFound);
    if (info.isDir())
        return Failure(ErrPathFileAccess);
    if (!forWriting && !info.exists())
        return Failure(ErrFileNotFound);
    if (savedErrno == EACCES || savedErrno == EPERM || savedErrno == EROFS)
        return Failure(ErrPermissionDenied);
    if (info.exists() && (forWriting ? !info.isWritable() : !info.isReadable()))
        return Failure(ErrPermissionDenied);
    if (forWriting && !QFileInfo(info.absolutePath()).isWritable())
        return Failure(ErrPermissionDenied);
    return Failure(ErrPathFileAccess);
}

} // namespace

namespace FileIO {

void readFile(const QString &path, const std::function<void(QIODevice &)> &read)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw openFailure(path, false, errno);
    read(file);
}

void writeFile(const QString &path, const std::function<void(QIODevice &)> &write)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw openFailure(path, true, errno);
    write(file);
    errno = 0;
    if (!file.commit())
        throw Failure(errno == ENOSPC ? ErrDiskFull : ErrDeviceIO);
}

void writeText(QIODevice &out, const QString &text)
{
    const QByteArray bytes = Ansi::encode(text);
    errno = 0;
    if (out.write(bytes) != bytes.size())
        throw Failure(errno == ENOSPC ? ErrDiskFull : ErrDeviceIO);
}

} // namespace FileIO
