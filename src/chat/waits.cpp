#include "chat/waits.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
bool g_abandoned = false;
}

namespace Waits {

void pumpUntil(const std::function<bool()> &done)
{
    for (;;) {
        if (g_abandoned)
            throw WaitAbandoned();
        if (done())
            return;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void abandonAll()
{
    g_abandoned = true;
    // Wake a wait that sleeps for the next event.
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::None));
}

bool abandoned()
{
    return g_abandoned;
}

void resetAbandoned()
{
    g_abandoned = false;
}

} // namespace Waits
