#include "support/smalldisk.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

rlimit g_sizeLimit;
void (*g_xfszHandler)(int) = SIG_DFL;

bool setImmutable(const QString &folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

} // namespace

SmallDisk::SmallDisk()
{
    m_mounted = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(),
                                            "tmpfs", 0, "size=64k,mode=0700") == 0;
    // The filler stays outside the folder, which may be locked.
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
}

SmallDisk::~SmallDisk()
{
    lockFolder(false);
    drain();
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void SmallDisk::fill()
{
    if (m_full)
        return;
    m_full = true;
    if (!m_mounted) {
        // Writing past the limit fails with EFBIG instead of a signal.
        g_xfszHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &g_sizeLimit);
        rlimit tiny = g_sizeLimit;
        tiny.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        return;
    }
    QFile filler(m_dir.filePath(QStringLiteral("filler")));
    filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
}

void SmallDisk::drain()
{
    if (!m_full)
        return;
    m_full = false;
    if (!m_mounted) {
        ::setrlimit(RLIMIT_FSIZE, &g_sizeLimit);
        std::signal(SIGXFSZ, g_xfszHandler);
        return;
    }
    QFile::remove(m_dir.filePath(QStringLiteral("filler")));
}

bool SmallDisk::lockFolder(bool locked)
{
    if (locked == m_locked)
        return true;
    const bool ok = ::geteuid() == 0 ? setImmutable(folder(), locked)
                                     : ::chmod(QFile::encodeName(folder()).constData(),
                                               locked ? 0555 : 0700) == 0;
    if (ok)
        m_locked = locked;
    return ok;
}
