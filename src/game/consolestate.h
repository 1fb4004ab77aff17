#pragma once

#include "game/gamestate.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

// The draw-count scroll bar runs upward: its value is the draw count negated.
constexpr int drawCountScroll(Integer drawCount)
{
    return -drawCount;
}
constexpr Integer scrollDrawCount(int scrollValue)
{
    return static_cast<Integer>(-scrollValue);
}

// What the game steps decide the main window shows, as plain values: every
// control's caption, tip and enabled state, both lists and their marked
// rows, the draw-count scroll bar, the menus, the macro buttons and the
// hourglass. A copy is the console as it stood.
struct ConsoleState
{
    enum class Ctl
    {
        cmdAsk,
        cmdGet,
        cmdCheck,
        cmdCountdown,
        cmdGetRegs,
        cmdDraw,
        cmdList,
        vsDrawCnt,
        txtDrawCnt,
        lblWordOf,
        lblWord,
        lblPlayercnt,
        mnuLoad,
        mnuRecover,
    };
    static constexpr std::size_t CtlCount = std::size_t(Ctl::mnuRecover) + 1;
    enum class List
    {
        lstDown,
        lstPlayers
    };

    struct Control
    {
        bool enabled = true;
        QString caption;
        QString tip;
        bool operator==(const Control &) const = default;
    };
    struct Rows
    {
        QStringList items;
        int selected = -1; // counted from 0; -1 marks none
        bool operator==(const Rows &) const = default;
    };

    std::array<Control, CtlCount> controls{};
    std::array<Rows, 2> lists{};
    int scrollValue = drawCountScroll(DefaultDrawCount); // the draw-count scroll bar
    bool menusEnabled = true;                            // File, Edit, Options and About together
    bool macrosEnabled = true;                           // the twenty macro buttons together
    bool busy = false;                                   // a step is under way: the hourglass shows

    Control &operator[](Ctl c) { return controls[std::size_t(c)]; }
    const Control &operator[](Ctl c) const { return controls[std::size_t(c)]; }
    Rows &operator[](List l) { return lists[std::size_t(l)]; }
    const Rows &operator[](List l) const { return lists[std::size_t(l)]; }
    bool operator==(const ConsoleState &) const = default;
};

// The console's record as the steps write it, with the busy depth beside
// it. A write that changes the record tells every observer before it
// returns, so whatever draws the record is up to date before the step goes
// on (and before its next wait lets a click in).
class Console
{
public:
    using Ctl = ConsoleState::Ctl;
    using List = ConsoleState::List;
    // What changed; Whole when a copy was put back.
    enum class Part
    {
        Control,
        List,
        Scroll,
        Menus,
        Macros,
        Busy,
        Whole
    };
    using Observer = std::function<void(Part)>;

    const ConsoleState &state() const { return m_state; }
    // Puts a copy back (a failed step's undo); observers hear of it once.
    void restore(const ConsoleState &state);

    void setControlEnabled(Ctl control, bool enabled);
    bool controlEnabled(Ctl control) const { return m_state[control].enabled; }
    void setCaption(Ctl control, const QString &caption);
    QString caption(Ctl control) const { return m_state[control].caption; }
    void setControlTip(Ctl control, const QString &tip);
    void setMenusEnabled(bool enabled);
    void setMacrosEnabled(bool enabled);
    void setBusy(bool busy);
    // The draw-count scroll bar; the window runs its change handler.
    void setScrollValue(int value);

    void clearList(List list);
    void addToList(List list, const QString &item);
    // Row counted from 0; one outside the list marks none.
    void selectRow(List list, int row);
    int selectedRow(List list) const { return m_state[list].selected; }
    const QStringList &rows(List list) const { return m_state[list].items; }

    // Game steps under way. LockControls counts one in and RestoreControls
    // one out; a step that runs inside another's wait (a countdown tick
    // during a macro) leaves the busy state to the step it interrupted.
    int busyDepth() const { return m_busyDepth; }
    void setBusyDepth(int depth) { m_busyDepth = depth; }

    // Observers hear every change in the order they subscribed; one may
    // subscribe or unsubscribe while it is told.
    int subscribe(Observer observer);
    void unsubscribe(int id);

private:
    template <typename T> void set(T &field, const T &value, Part part);
    void changed(Part part);

    ConsoleState m_state;
    int m_busyDepth = 0;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_lastId = 0;
};
