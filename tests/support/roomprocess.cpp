#include "support/roomprocess.h"

#include <QDeadlineTimer>

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

bool RoomProcess::waitForLine(const QString &text, int ms)
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
