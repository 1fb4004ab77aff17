#include "app/frmmain.h"
#include "game/gamestate.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

QWidget *frmMain::widgetFor(Ctl control) const
{
    switch (control) {
    case Ctl::cmdAsk:
        return cmdAsk;
    case Ctl::cmdGet:
        return cmdGet;
    case Ctl::cmdCheck:
        return cmdCheck;
    case Ctl::cmdCountdown:
        return cmdCountdown;
    case Ctl::cmdGetRegs:
        return cmdGetRegs;
    case Ctl::cmdDraw:
        return cmdDraw;
    case Ctl::cmdList:
        return cmdList;
    case Ctl::vsDrawCnt:
        return vsDrawCnt;
    case Ctl::txtDrawCnt:
        return txtDrawCnt;
    case Ctl::lblWordOf:
        return lblWordOf;
    case Ctl::lblWord:
        return lblWord;
    case Ctl::lblPlayercnt:
        return lblPlayercnt;
    case Ctl::mnuLoad:
    case Ctl::mnuRecover:
        return nullptr;
    }
    return nullptr;
}

QPushButton *frmMain::turnButton(Ctl control) const
{
    return qobject_cast<QPushButton *>(widgetFor(control));
}

QAction *frmMain::actionFor(Ctl control) const
{
    if (control == Ctl::mnuLoad)
        return mnuLoad;
    if (control == Ctl::mnuRecover)
        return mnuRecover;
    return nullptr;
}

QListWidget *frmMain::listFor(List list) const
{
    return list == List::lstDown ? lstDown : lstPlayers;
}

namespace {

void setText(QWidget *w, const QString &text)
{
    if (auto *b = qobject_cast<QPushButton *>(w))
        b->setText(text);
    else if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(text);
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setText(text);
}

QString textOf(const QWidget *w)
{
    if (auto *b = qobject_cast<const QPushButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    return QString();
}

int selectedRowOf(const QListWidget *w)
{
    const auto selected = w->selectedItems();
    return selected.isEmpty() ? -1 : w->row(selected.first());
}

} // namespace

ConsoleState frmMain::shownByWidgets() const
{
    ConsoleState shown;
    for (std::size_t c = 0; c < ConsoleState::CtlCount; ++c) {
        const auto ctl = Ctl(c);
        if (const QAction *a = actionFor(ctl))
            shown[ctl] = {a->isEnabled(), a->text(), a->toolTip()};
        else if (const QWidget *w = widgetFor(ctl))
            shown[ctl] = {w->isEnabled(), textOf(w), w->toolTip()};
    }
    for (List l : {List::lstDown, List::lstPlayers}) {
        const QListWidget *w = listFor(l);
        for (int i = 0; i < w->count(); ++i)
            shown[l].items << w->item(i)->text();
        shown[l].selected = selectedRowOf(w);
    }
    shown.scrollValue = vsDrawCnt->value();
    shown.menusEnabled = mnuFile->menuAction()->isEnabled();
    shown.macrosEnabled = Macro[1]->isEnabled();
    shown.busy = bool(m_busyPointer);
    return shown;
}

void frmMain::followConsole()
{
    // The session's record, from the game's first state on, is drawn once
    // now over whatever the widgets were built with.
    m_drawn = shownByWidgets();
    draw();
    // Drawn at once on every change, not once per turn of the event loop: a
    // step that disables its buttons and then waits must have them disabled
    // on screen before the wait can deliver a click, which the held clicks
    // and the busy depth rely on. Only what differs from the last drawing is
    // touched, so a change costs a widget call or two.
    m_drawer = m_console.subscribe([this](Console::Part part) {
        draw();
        if (part == Console::Part::Scroll)
            vsDrawCnt_Change();
    });
    for (List l : {List::lstDown, List::lstPlayers}) {
        QListWidget *w = listFor(l);
        connect(w, &QListWidget::itemSelectionChanged, this, [this, l, w] {
            if (!m_drawing)
                m_console.selectRow(l, selectedRowOf(w));
        });
    }
    connect(vsDrawCnt, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_drawing)
            m_console.setScrollValue(value);
    });
}

void frmMain::draw()
{
    const ConsoleState &to = m_console.state();
    const QScopedValueRollback drawing(m_drawing, true);
    for (std::size_t c = 0; c < ConsoleState::CtlCount; ++c) {
        const auto ctl = Ctl(c);
        const ConsoleState::Control &want = to[ctl], &had = m_drawn[ctl];
        if (QAction *a = actionFor(ctl)) {
            if (want.enabled != had.enabled)
                a->setEnabled(want.enabled);
            if (want.caption != had.caption)
                a->setText(want.caption);
            if (want.tip != had.tip)
                a->setToolTip(want.tip);
        } else if (QWidget *w = widgetFor(ctl)) {
            if (want.enabled != had.enabled)
                w->setEnabled(want.enabled);
            if (want.caption != had.caption)
                setText(w, want.caption);
            if (want.tip != had.tip)
                w->setToolTip(want.tip);
        }
    }
    for (List l : {List::lstDown, List::lstPlayers}) {
        const ConsoleState::Rows &want = to[l], &had = m_drawn[l];
        QListWidget *w = listFor(l);
        bool rebuilt = false;
        if (want.items != had.items) {
            // Rows added one by one as the room hears them are appended.
            const bool appended =
                want.items.size() > had.items.size() &&
                std::equal(had.items.begin(), had.items.end(), want.items.begin());
            if (!appended) {
                w->clear();
                rebuilt = true;
            }
            for (qsizetype i = appended ? had.items.size() : 0; i < want.items.size(); ++i)
                w->addItem(want.items[i]);
        }
        if (rebuilt || want.selected != had.selected)
            w->setCurrentRow(want.selected);
    }
    if (to.scrollValue != m_drawn.scrollValue)
        vsDrawCnt->setValue(to.scrollValue);
    if (to.menusEnabled != m_drawn.menusEnabled) {
        for (QMenu *m : {mnuFile, mnuEdit, mnuOptions})
            m->menuAction()->setEnabled(to.menusEnabled);
        mnuAbout->setEnabled(to.menusEnabled);
    }
    if (to.macrosEnabled != m_drawn.macrosEnabled)
        for (int i = 1; i <= MacroCount; ++i)
            Macro[i]->setEnabled(to.macrosEnabled);
    m_drawn = to;
}

void frmMain::focusDummy()
{
    Command2->setFocus();
}
