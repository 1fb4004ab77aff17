#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

#include <sys/types.h>

// Runs body in a child process as the unprivileged user nobody, so a test
// has a peer of another user; body may use system calls only, and its
// result is the child's exit code. The child's id, or 0 with *why said when
// this cannot be (not root, no such user).
pid_t forkAsNobody(const std::function<int()> &body, QString *why);
// The child's exit code, or -1 when it did not end normally within ms (it is
// killed then).
int reapChild(pid_t pid, int ms = 20000);
// A listening local socket at path for anyone to connect to, or -1.
int listenForAnyone(const QByteArray &path);
// Connects to the local socket at path; the descriptor, or -1.
int connectTo(const QByteArray &path);
// Reads fd until its end; whether the end came within ms, with *got what came.
bool readToEnd(int fd, QByteArray *got, int ms = 10000);

// The stand-in chat client as a child process: lines go to its console, and
// what it prints can be waited for.
class RoomProcess
{
public:
    ~RoomProcess() { kill(); }

    // The stand-in client's executable.
    static QString program();

    // Starts it on socketPath and waits until it listens.
    bool start(const QString &socketPath, const QStringList &extraArgs = {});
    // Starts another program and waits until it prints ready.
    bool launch(const QString &program, const QStringList &args, const QString &ready);
    void type(const QString &line);
    // Waits for a printed line holding text, past the lines already waited
    // for; *rest gets the line from text on.
    bool waitForLine(const QString &text, int ms = 30000, QString *rest = nullptr);
    // Ends its input, as Ctrl-D does.
    void closeInput() { m_process.closeWriteChannel(); }
    // Waits until it has ended; its exit code, or -1 when it did not end normally.
    int waitForExit();
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
    qsizetype m_seen = 0;
};
