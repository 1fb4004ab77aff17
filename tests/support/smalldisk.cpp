#include "support/smalldisk.h"
#include "support/roomprocess.h"

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

SmallDisk::SmallDisk(int kib)
{
    const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0700";
    m_mounted = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(m_root.path()).constData(),
                                            "tmpfs", 0, options.constData()) == 0;
    QDir(m_root.path()).mkdir(QStringLiteral("folder"));
}

SmallDisk::~SmallDisk()
{
    lockFolder(false);
    setFull(false);
    if (m_mounted)
        ::umount2(QFile::encodeName(m_root.path()).constData(), MNT_DETACH);
}

void SmallDisk::setFull(bool full)
{
    if (full == m_full)
        return;
    m_full = full;
    QFile filler(m_root.filePath(QStringLiteral("filler")));
    if (m_mounted && full) {
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
    } else if (m_mounted) {
        filler.remove();
    } else if (full) {
        // Past the limit a write fails with EFBIG instead of a signal.
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit tiny = m_limit;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    } else {
        ::setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, SIG_DFL);
    }
}

bool SmallDisk::lockFolder(bool locked)
{
    if (locked == m_locked)
        return true;
    const QByteArray name = QFile::encodeName(folder());
    bool ok = false;
    if (::geteuid() != 0) {
        ok = ::chmod(name.constData(), locked ? 0555 : 0700) == 0;
    } else if (const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY); fd >= 0) {
        // Root passes permission bits: the folder is made immutable.
        int flags = 0;
        ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
    }
    m_locked = ok ? locked : m_locked;
    return ok;
}

std::optional<QString> SmallDisk::asPlainUser(const std::function<QString()> &body)
{
    if (::geteuid() != 0)
        return body();
    const passwd *user = ::getpwnam("nobody");
    if (!user || ::chmod(QFile::encodeName(m_root.path()).constData(), 0711) != 0)
        return std::nullopt;
    const QDir dir(folder());
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::Hidden)) {
        // A file left to root only makes the scenario fail where it checks.
        [[maybe_unused]] const int owned =
            ::lchown(QFile::encodeName(dir.filePath(name)).constData(), user->pw_uid, user->pw_gid);
    }
    constexpr int NoUser = 100; // as the child that cannot become nobody ends
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    QString why;
    const pid_t child = forkAsNobody(
        [&] {
            if (::access(QFile::encodeName(folder()).constData(), W_OK | X_OK) != 0)
                return NoUser;
            try {
                const QByteArray said = body().toUtf8();
                return ::write(pipeFds[1], said.constData(), size_t(said.size())) == said.size()
                           ? 0
                           : 1;
            } catch (...) {
                return 1; // never back into the parent's test run
            }
        },
        &why);
    ::close(pipeFds[1]);
    QFile pipe;
    pipe.open(pipeFds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray said = pipe.readAll();
    pipe.close();
    const int status = child ? reapChild(child) : NoUser;
    if (status == NoUser)
        return std::nullopt;
    if (status != 0)
        return QStringLiteral("the child as nobody ended with status %1").arg(status);
    return QString::fromUtf8(said);
}
