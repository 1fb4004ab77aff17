#include "files/fileio.h"

#include "base/ansi.h"
#include "files/linereader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

const QString TemporarySuffix = QStringLiteral(".orvella-tmp");

// QFile keeps no errno, so the cause is read off the file system.
Failure openFailure(const QString &path, int savedErrno)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return Failure(ErrPathNotFound);
    if (info.isDir())
        return Failure(ErrPathFileAccess);
    if (!info.exists())
        return Failure(ErrFileNotFound);
    if (savedErrno == EACCES || savedErrno == EPERM || !info.isReadable())
        return Failure(ErrPermissionDenied);
    return Failure(ErrPathFileAccess);
}

// Closes a descriptor on every way out unless it was closed and checked.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int fd() const { return m_fd; }
    // NFS and the like report a failed write only here.
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &bytes, off_t at)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), at + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray readAll(int fd, off_t size)
{
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileIO::failureFor(errno);
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

// The folder takes no new file, but the file itself may be overwritten. The
// room for a longer file is reserved before a byte changes, so a full disk
// leaves the old file as it was.
void writeInPlace(const QByteArray &target, const QByteArray &bytes)
{
    Descriptor file(::open(target.constData(), O_RDWR | O_CLOEXEC));
    if (file.fd() < 0)
        throw FileIO::failureFor(errno);
    struct stat st = {};
    if (::fstat(file.fd(), &st) != 0)
        throw FileIO::failureFor(errno);
    const QByteArray old = readAll(file.fd(), st.st_size);
    if (bytes.size() > old.size()) {
        const int err =
            ::posix_fallocate(file.fd(), off_t(old.size()), off_t(bytes.size() - old.size()));
        if (err != 0) {
            // Best effort: the failure thrown next is what the host hears.
            [[maybe_unused]] const int undone = ::ftruncate(file.fd(), off_t(old.size()));
            throw FileIO::failureFor(err);
        }
    }
    if (!writeAll(file.fd(), bytes, 0) || ::ftruncate(file.fd(), off_t(bytes.size())) != 0 ||
        ::fsync(file.fd()) != 0) {
        const int err = errno;
        // Only a failing device gets here; the old bytes go back if they can.
        if (writeAll(file.fd(), old, 0)) {
            [[maybe_unused]] const int undone = ::ftruncate(file.fd(), off_t(old.size()));
        }
        throw FileIO::failureFor(err);
    }
    if (!file.close())
        throw FileIO::failureFor(errno);
}

QString randomTag()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return tag;
}

// A link is followed, so the file it names is replaced and the link stays.
QString realTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    const QString target = realTarget(path);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat st = {};
    const bool exists = ::stat(targetName.constData(), &st) == 0;
    // A rename would replace a file its owner made read-only, which opening
    // it for writing refuses; root passes this test and replaces it as before.
    if (exists && S_ISREG(st.st_mode) &&
        ::faccessat(AT_FDCWD, targetName.constData(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS))
        throw FileIO::failureFor(errno);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = QFile::encodeName(target + u'.' + randomTag() + TemporarySuffix);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int err = errno;
        if (exists && S_ISREG(st.st_mode)) {
            writeInPlace(targetName, bytes);
            return;
        }
        throw FileIO::failureFor(err);
    }

    Descriptor file(fd);
    int err = 0;
    if (exists)
        (void)::fchmod(fd, st.st_mode & 07777);
    if (!writeAll(fd, bytes, 0) || ::fsync(fd) != 0)
        err = errno;
    if (!file.close() && err == 0)
        err = errno;
    if (err == 0 && ::rename(temporary.constData(), targetName.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temporary.constData());
        throw FileIO::failureFor(err);
    }
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd() >= 0)
        (void)::fsync(folder.fd());
}

// "<name>.XXXXXX<suffix>", as our writes make them. Checked by hand: a
// regular expression here would load its engine into every start-up.
bool isTemporaryName(const QString &name)
{
    constexpr qsizetype Random = 6;
    if (!name.endsWith(TemporarySuffix))
        return false;
    const qsizetype dot = name.size() - TemporarySuffix.size() - Random - 1;
    if (dot < 1 || name.at(dot) != u'.')
        return false;
    const QStringView random = QStringView(name).sliced(dot + 1, Random);
    return std::all_of(random.begin(), random.end(),
                       [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); });
}

} // namespace

QString FileFailure::report() const
{
    return failure.report(QStringLiteral("Error with file ") + file);
}

namespace FileIO {

Failure failureFor(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Failure(ErrDiskFull);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return Failure(ErrPermissionDenied);
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return Failure(ErrPathNotFound);
    case EIO:
        return Failure(ErrDeviceIO);
    default:
        return Failure(ErrPathFileAccess);
    }
}

void readFile(const QString &path, const std::function<void(QIODevice &)> &read)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw openFailure(path, errno);
    read(file);
}

QByteArray readBytes(const QString &path, qint64 maxBytes)
{
    QByteArray bytes;
    readFile(path, [&](QIODevice &in) {
        bytes = in.read(maxBytes + 1);
        if (bytes.size() > maxBytes)
            throw LineReader::fileTooLarge(maxBytes);
    });
    return bytes;
}

void writeFile(const QString &path, const std::function<void(QIODevice &)> &write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    writeBytes(path, buffer.data());
}

WriteResult save(const QString &path, const std::function<void(QIODevice &)> &write)
{
    try {
        writeFile(path, write);
    } catch (const Failure &failure) {
        return FileFailure{failure, path};
    }
    return std::nullopt;
}

void writeText(QIODevice &out, const QString &text)
{
    const QByteArray bytes = Ansi::encode(text);
    errno = 0;
    if (out.write(bytes) != bytes.size())
        throw Failure(errno == ENOSPC ? ErrDiskFull : ErrDeviceIO);
}

std::optional<FileFailure> makeFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return std::nullopt;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath()) {
        if (auto failed = makeFolder(parent))
            return failed;
    }
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return std::nullopt;
    // A plain file where the folder should be.
    const int err = errno;
    if (err == EEXIST && !QFileInfo(folder).isDir())
        return FileFailure{Failure(ErrPathFileAccess), folder};
    if (err == EEXIST)
        return std::nullopt;
    return FileFailure{failureFor(err), folder};
}

void removeStrayTemporaries(const QString &folder)
{
    const QDir dir(folder);
    // No name filter: QDir matches one with a regular expression.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QFileInfo info(dir.filePath(name));
        if (isTemporaryName(name) && !info.isSymLink())
            QFile::remove(info.filePath());
    }
}

} // namespace FileIO
