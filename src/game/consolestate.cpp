#include "game/consolestate.h"

#include <algorithm>

template <typename T> void Console::set(T &field, const T &value, Part part)
{
    if (field == value)
        return;
    field = value;
    changed(part);
}

void Console::restore(const ConsoleState &state)
{
    set(m_state, state, Part::Whole);
}

void Console::setControlEnabled(Ctl control, bool enabled)
{
    set(m_state[control].enabled, enabled, Part::Control);
}

void Console::setCaption(Ctl control, const QString &caption)
{
    set(m_state[control].caption, caption, Part::Control);
}

void Console::setControlTip(Ctl control, const QString &tip)
{
    set(m_state[control].tip, tip, Part::Control);
}

void Console::setMenusEnabled(bool enabled)
{
    set(m_state.menusEnabled, enabled, Part::Menus);
}

void Console::setMacrosEnabled(bool enabled)
{
    set(m_state.macrosEnabled, enabled, Part::Macros);
}

void Console::setBusy(bool busy)
{
    set(m_state.busy, busy, Part::Busy);
}

void Console::setScrollValue(int value)
{
    set(m_state.scrollValue, value, Part::Scroll);
}

void Console::clearList(List list)
{
    set(m_state[list], ConsoleState::Rows(), Part::List);
}

void Console::addToList(List list, const QString &item)
{
    m_state[list].items << item;
    changed(Part::List);
}

void Console::selectRow(List list, int row)
{
    ConsoleState::Rows &rows = m_state[list];
    set(rows.selected, row >= 0 && row < rows.items.size() ? row : -1, Part::List);
}

int Console::subscribe(Observer observer)
{
    m_observers.emplace_back(++m_lastId, std::move(observer));
    return m_lastId;
}

void Console::unsubscribe(int id)
{
    std::erase_if(m_observers, [id](const auto &o) { return o.first == id; });
}

void Console::changed(Part part)
{
    // A copy, so an observer may subscribe or unsubscribe while it is told;
    // one that left meanwhile is not told any more.
    const auto observers = m_observers;
    for (const auto &entry : observers) {
        const int id = entry.first;
        if (std::any_of(m_observers.begin(), m_observers.end(),
                        [id](const auto &o) { return o.first == id; }))
            entry.second(part);
    }
}
