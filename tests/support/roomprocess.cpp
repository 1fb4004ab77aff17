#include "support/roomprocess.h"

#include <QDeadlineTimer>

#include <cstdio>
#include <cstring>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

pid_t forkAsNobody(const std::function<int()> &body, QString *why)
{
    const passwd *nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody) {
        *why = QStringLiteral("needs root and the user nobody");
        return 0;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
            ::setuid(nobody->pw_uid) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    if (pid < 0)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    return pid < 0 ? 0 : pid;
}

int reapChild(pid_t pid, int ms)
{
    // The children bound their own waits; the pidfd only keeps a stuck one
    // from holding the test.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        const bool ended = ::poll(&p, 1, ms) == 1;
        ::close(pidfd);
        if (!ended)
            ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

bool address(const QByteArray &path, sockaddr_un *a)
{
    *a = {};
    a->sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof a->sun_path))
        return false;
    std::memcpy(a->sun_path, path.constData(), path.size());
    return true;
}

} // namespace

int listenForAnyone(const QByteArray &path)
{
    // Bound under another name first, so the path appears only when it listens.
    const QByteArray building = path + ".new";
    sockaddr_un a;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || !address(building, &a) ||
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::chmod(building.constData(), 0777) != 0 || ::listen(fd, 8) != 0 ||
        ::rename(building.constData(), path.constData()) != 0)
        return -1;
    return fd;
}

int connectTo(const QByteArray &path)
{
    sockaddr_un a;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || !address(path, &a) ||
        ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
        return -1;
    return fd;
}

bool readToEnd(int fd, QByteArray *got, int ms)
{
    const QDeadlineTimer deadline(ms);
    char buf[4096];
    while (got->size() < 1024 * 1024) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            return false;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return n == 0;
        got->append(buf, n);
    }
    return false;
}

QString RoomProcess::program()
{
    return QStringLiteral(ORVELLA_ROOM_EXE);
}

bool RoomProcess::start(const QString &socketPath, const QStringList &extraArgs)
{
    return launch(program(), QStringList{QStringLiteral("--socket"), socketPath} + extraArgs,
                  QStringLiteral("Room open at"));
}

bool RoomProcess::launch(const QString &program, const QStringList &args, const QString &ready)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, args);
    return m_process.waitForStarted(10000) && waitForLine(ready);
}

void RoomProcess::type(const QString &line)
{
    m_process.write(line.toUtf8() + '\n');
    m_process.waitForBytesWritten(5000);
}

bool RoomProcess::waitForLine(const QString &text, int ms, QString *rest)
{
    const QByteArray wanted = text.toUtf8();
    const QDeadlineTimer deadline(ms);
    for (;;) {
        // Whatever it printed before it ended is read below.
        const bool running = m_process.state() != QProcess::NotRunning;
        m_output += m_process.readAll();
        const qsizetype at = m_output.indexOf(wanted, m_seen);
        const qsizetype end = at < 0 ? -1 : m_output.indexOf('\n', at);
        if (end >= 0) {
            m_seen = end + 1;
            if (rest)
                *rest = QString::fromUtf8(m_output.sliced(at, end - at));
            return true;
        }
        if (deadline.hasExpired() || !running)
            return false;
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
}

int RoomProcess::waitForExit()
{
    m_process.waitForFinished(10000);
    const bool ended = m_process.state() == QProcess::NotRunning;
    return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}
