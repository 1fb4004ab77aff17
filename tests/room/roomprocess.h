#pragma once

#include <QProcess>
#include <QStringList>

// The stand-in chat client as a child process: lines go to its console, and
// what it prints can be waited for.
class RoomProcess
{
public:
    RoomProcess() = default;
    ~RoomProcess();
    RoomProcess(const RoomProcess &) = delete;
    RoomProcess &operator=(const RoomProcess &) = delete;

    // Starts it on socketPath and waits until it listens.
    bool start(const QString &socketPath, const QStringList &extraArgs = {});
    void type(const QString &line);
    // Waits for a printed line holding text, past the lines already waited for.
    bool waitForLine(const QString &text, int ms = 10000);
    QStringList lines() const { return m_lines; }
    // Ends its input, as Ctrl-D does.
    void closeInput();
    bool waitForExit()
    {
        return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(10000);
    }
    void kill();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    qsizetype m_seen = 0;
    bool m_inputClosed = false;
};
