#include "chat/ticksource.h"

QTimerTickSource::QTimerTickSource(int intervalMs)
{
    m_timer.setInterval(intervalMs);
    // A coarse timer may fire early or late by a tenth of its interval; the
    // pause between the game's lines should be what the speed setting says.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        if (onTick)
            onTick();
    });
}

void QTimerTickSource::setEnabled(bool on)
{
    // Restarting a running timer would shift its phase.
    if (on && !m_timer.isActive())
        m_timer.start();
    else if (!on)
        m_timer.stop();
}

bool QTimerTickSource::enabled() const
{
    return m_timer.isActive();
}
