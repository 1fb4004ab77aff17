#include "room/roomprocess.h"

#include <QDeadlineTimer>

RoomProcess::~RoomProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    if (m_inputClosed)
        m_process.terminate(); // it was started with --stay
    else
        closeInput();
    if (!waitForExit())
        kill();
}

bool RoomProcess::start(const QString &socketPath, const QStringList &extraArgs)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(ORVELLA_ROOM_EXE),
                    QStringList{QStringLiteral("--socket"), socketPath} + extraArgs);
    return m_process.waitForStarted(10000) && waitForLine(QStringLiteral("Room open at"));
}

void RoomProcess::type(const QString &line)
{
    m_process.write(line.toUtf8() + '\n');
    m_process.waitForBytesWritten(5000);
}

bool RoomProcess::waitForLine(const QString &text, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        const bool running = m_process.state() != QProcess::NotRunning;
        m_partial += m_process.readAll();
        for (qsizetype lf; (lf = m_partial.indexOf('\n')) >= 0; m_partial.remove(0, lf + 1))
            m_lines << QString::fromUtf8(m_partial.first(lf));
        while (m_seen < m_lines.size()) {
            if (m_lines.at(m_seen++).contains(text))
                return true;
        }
        if (deadline.hasExpired() || !running)
            return false;
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
}

void RoomProcess::closeInput()
{
    m_process.closeWriteChannel();
    m_inputClosed = true;
}

void RoomProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}
