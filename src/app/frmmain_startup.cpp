#include "app/frmmain.h"

#include "files/programfolder.h"
#include "game/gamestate.h"

#include <QAction>
#include <QCloseEvent>

bool frmMain::Form_Load()
{
    if (!m_session.start())
        return false;
    setWindowTitle(QStringLiteral("Orvella V") + versionText());
    applySettings();
    m_loaded = true;
    return true;
}

void frmMain::applySettings()
{
    if (m_gs.MainLeft > 0)
        moveToTwips(*this, m_gs.MainLeft, m_gs.MainTop);
    tickSpeed();
    tickAuto();
    mnuTop->setChecked(m_gs.OnTop);
    applyOnTop(m_gs.OnTop);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    if (!m_loaded || m_unloaded)
        return;
    m_unloaded = true;
    closeRoom();
    m_session.shutdown();
}

ChildContext frmMain::childContext()
{
    return childContextOf(m_session, this);
}

void frmMain::tickSpeed()
{
    for (const Choice &c : m_speeds)
        c.action->setChecked(c.value == m_gs.Delay);
}

void frmMain::tickAuto()
{
    for (const Choice &c : m_autos)
        c.action->setChecked(c.value == m_gs.Auto);
}

void frmMain::mnuTop_Click()
{
    m_session.setOnTop(!m_gs.OnTop);
    mnuTop->setChecked(m_gs.OnTop);
    applyOnTop(m_gs.OnTop);
}

void frmMain::applyOnTop(bool onTop)
{
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // Changing the flags hides a shown window.
    if (visible)
        show();
}
