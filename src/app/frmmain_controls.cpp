#include "app/frmmain.h"
#include "game/busystate.h"
#include "game/gamestate.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

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

void frmMain::setControlEnabled(Ctl control, bool enabled)
{
    if (QAction *a = actionFor(control))
        a->setEnabled(enabled);
    else
        widgetFor(control)->setEnabled(enabled);
}

bool frmMain::controlEnabled(Ctl control) const
{
    if (QAction *a = actionFor(control))
        return a->isEnabled();
    return widgetFor(control)->isEnabled();
}

void frmMain::setCaption(Ctl control, const QString &caption)
{
    if (QAction *a = actionFor(control))
        a->setText(caption);
    else if (auto *b = qobject_cast<QPushButton *>(widgetFor(control)))
        b->setText(caption);
    else if (auto *l = qobject_cast<QLabel *>(widgetFor(control)))
        l->setText(caption);
    else if (auto *e = qobject_cast<QLineEdit *>(widgetFor(control)))
        e->setText(caption);
}

QString frmMain::caption(Ctl control) const
{
    if (QAction *a = actionFor(control))
        return a->text();
    if (auto *b = qobject_cast<QPushButton *>(widgetFor(control)))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(widgetFor(control)))
        return l->text();
    if (auto *e = qobject_cast<QLineEdit *>(widgetFor(control)))
        return e->text();
    return QString();
}

void frmMain::setControlTip(Ctl control, const QString &tip)
{
    if (QAction *a = actionFor(control))
        a->setToolTip(tip);
    else
        widgetFor(control)->setToolTip(tip);
}

void frmMain::setMenusEnabled(bool enabled)
{
    for (QMenu *m : {mnuFile, mnuEdit, mnuOptions})
        m->menuAction()->setEnabled(enabled);
    mnuAbout->setEnabled(enabled);
}

void frmMain::setMacrosEnabled(bool enabled)
{
    for (int i = 1; i <= MacroCount; ++i)
        Macro[i]->setEnabled(enabled);
}

void frmMain::focusDummy()
{
    Command2->setFocus();
}

void frmMain::setBusyPointer(bool busy)
{
    // Nested steps are counted by the busy state; the pointer only follows.
    if (!busy)
        m_busyPointer.reset();
    else if (!m_busyPointer)
        m_busyPointer.emplace();
}

void frmMain::setScrollValue(Ctl control, int value)
{
    if (auto *bar = qobject_cast<QScrollBar *>(widgetFor(control)))
        bar->setValue(value);
}

void frmMain::clearList(List list)
{
    listFor(list)->clear();
}

void frmMain::addToList(List list, const QString &item)
{
    listFor(list)->addItem(item);
}

void frmMain::selectRow(List list, int row)
{
    QListWidget *w = listFor(list);
    if (row < 0 || row >= w->count())
        w->setCurrentRow(-1);
    else
        w->setCurrentRow(row);
}

int frmMain::selectedRow(List list) const
{
    QListWidget *w = listFor(list);
    const auto selected = w->selectedItems();
    return selected.isEmpty() ? -1 : w->row(selected.first());
}

void frmMain::LockControls()
{
    ::LockControls(*this);
}

void frmMain::RestoreControls()
{
    ::RestoreControls(*this, m_gs);
}
