#pragma once

#include "app/maincontrols.h"

#include <QStringList>

#include <map>

// The main window's controls without widgets: remembers every state.
class RecordingControls final : public MainControls
{
public:
    struct State
    {
        bool enabled = true;
        QString caption;
        QString tip;
    };

    void setEnabled(Ctl c, bool enabled) override { controls[c].enabled = enabled; }
    bool isEnabled(Ctl c) const override { return state(c).enabled; }
    void setCaption(Ctl c, const QString &caption) override { controls[c].caption = caption; }
    QString caption(Ctl c) const override { return state(c).caption; }
    void setToolTip(Ctl c, const QString &tip) override { controls[c].tip = tip; }
    void setMenusEnabled(bool enabled) override { menusEnabled = enabled; }
    void setMacrosEnabled(bool enabled) override { macrosEnabled = enabled; }
    void focusDummy() override { ++dummyFocused; }
    void setBusyPointer(bool busy) override { busyPointer = busy; }
    void setScrollValue(Ctl c, int value) override { scroll[c] = value; }
    void clearList(List l) override { lists[l].clear(); }
    void addToList(List l, const QString &item) override { lists[l] << item; }
    void selectRow(List l, int row) override { selected[l] = row; }
    int selectedRow(List l) const override
    {
        const auto it = selected.find(l);
        return it == selected.end() ? -1 : it->second;
    }

    State state(Ctl c) const
    {
        const auto it = controls.find(c);
        return it == controls.end() ? State() : it->second;
    }

    std::map<Ctl, State> controls;
    std::map<List, QStringList> lists;
    std::map<List, int> selected;
    std::map<Ctl, int> scroll;
    bool menusEnabled = true;
    bool macrosEnabled = true;
    bool busyPointer = false;
    int dummyFocused = 0;
};
