#include "chat/waits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {
bool allAbandoned = false;
}

namespace Waits {

void pumpUntil(const std::function<bool()> &done)
{
    for (;;) {
        if (allAbandoned)
            throw WaitAbandoned();
        if (done())
            return;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void pauseFor(std::chrono::milliseconds pause)
{
    if (pause.count() <= 0) {
        QCoreApplication::processEvents();
        pumpUntil([] { return true; });
        return;
    }
    // A precise timer: a coarse one may fire early, and the pause is short.
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    bool over = false;
    QObject::connect(&timer, &QTimer::timeout, [&over] { over = true; });
    timer.start(pause);
    pumpUntil([&over] { return over; });
}

void abandonAll()
{
    allAbandoned = true;
    // Wake a wait that sleeps for the next event.
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::None));
}

bool abandoned()
{
    return allAbandoned;
}

void resetAbandoned()
{
    allAbandoned = false;
}

} // namespace Waits
