#pragma once

#include <QProcess>
#include <QStringList>

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
    // Waits for a printed line holding text, past the lines already waited for.
    bool waitForLine(const QString &text, int ms = 30000);
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
