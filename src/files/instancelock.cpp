#include "files/instancelock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    const int openErr = errno;
    // A lock file that is there but cannot be written still locks.
    if (m_fd < 0 && (openErr == EACCES || openErr == EPERM || openErr == EROFS))
        m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_failure = FileFailure{FileIO::failureFor(openErr), path};
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_state = State::Held;
        return;
    }
    const int err = errno;
    ::close(m_fd);
    m_fd = -1;
    if (err == EWOULDBLOCK) {
        m_state = State::HeldByAnother;
        return;
    }
    m_failure = FileFailure{FileIO::failureFor(err), path};
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
