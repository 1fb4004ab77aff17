#include "windows/busypointer.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The guards alive, oldest first, each with whether it is a Wait. Guards die
// in any order: a step's busy state may end before or after a window opened
// during it closes.
std::vector<std::pair<const void *, bool>> &alive()
{
    static std::vector<std::pair<const void *, bool>> guards;
    return guards;
}

// Ours is a single override cursor, on Qt's stack or not.
bool pushed = false;

} // namespace

BusyPointer::Wait::Wait()
{
    add(this, true);
}

BusyPointer::Wait::~Wait()
{
    remove(this);
}

BusyPointer::Normal::Normal()
{
    add(this, false);
}

BusyPointer::Normal::~Normal()
{
    remove(this);
}

bool BusyPointer::hourglass()
{
    const auto &guards = alive();
    return !guards.empty() && guards.back().second;
}

void BusyPointer::add(const void *guard, bool wait)
{
    alive().emplace_back(guard, wait);
    follow();
}

void BusyPointer::remove(const void *guard)
{
    auto &guards = alive();
    const auto it = std::find_if(guards.begin(), guards.end(),
                                 [guard](const auto &g) { return g.first == guard; });
    if (it != guards.end())
        guards.erase(it);
    follow();
}

void BusyPointer::follow()
{
    if (hourglass() == pushed)
        return;
    pushed = !pushed;
    if (pushed)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}
