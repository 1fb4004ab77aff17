#pragma once

#include <QString>

// The main window's controls as the game steps see them. The window
// implements this with widgets; tests with a recording stub.
class MainControls
{
public:
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
        mnuRecover, // stays last: snapshots run up to it
    };
    enum class List
    {
        lstDown,
        lstPlayers
    };

    virtual ~MainControls() = default;

    virtual void setControlEnabled(Ctl control, bool enabled) = 0;
    virtual bool controlEnabled(Ctl control) const = 0;
    virtual void setCaption(Ctl control, const QString &caption) = 0;
    virtual QString caption(Ctl control) const = 0;
    virtual void setControlTip(Ctl control, const QString &tip) = 0;

    // The menus File, Edit, Options and About together.
    virtual void setMenusEnabled(bool enabled) = 0;
    // The twenty macro buttons together.
    virtual void setMacrosEnabled(bool enabled) = 0;
    virtual void focusDummy() = 0;
    virtual void setBusyPointer(bool busy) = 0;
    // The draw-count scroll bar's value (its change handler runs).
    virtual void setScrollValue(Ctl control, int value) = 0;

    virtual void clearList(List list) = 0;
    virtual void addToList(List list, const QString &item) = 0;
    // Row counted from 0; -1 selects nothing.
    virtual void selectRow(List list, int row) = 0;
    virtual int selectedRow(List list) const = 0;

    // Game steps under way. LockControls counts one in and RestoreControls
    // one out; a step that runs inside another's wait (a countdown tick
    // during a macro) leaves the busy state to the step it interrupted.
    int busyDepth() const { return m_busyDepth; }
    void setBusyDepth(int depth) { m_busyDepth = depth; }

private:
    int m_busyDepth = 0;
};
