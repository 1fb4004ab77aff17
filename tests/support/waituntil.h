#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Processes events, sleeping until the next one, until done() holds or the
// time is up. A precise timer: a coarse one may fire early and leave the
// loop with nothing to wake it.
inline bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(ms);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
