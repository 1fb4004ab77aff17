#include "app/clientcommand.h"
#include "app/frmmain.h"

#include "base/failure.h"
#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/wadapi.h"
#include "chat/waits.h"
#include "files/fileio.h"
#include "files/instancelock.h"
#include "files/programfolder.h"
#include "game/countdown.h"
#include "game/draw.h"
#include "game/gamefiles.h"
#include "game/gamestate.h"
#include "game/reportwrite.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

bool frmMain::Form_Load()
{
    if (!takeInstanceLock() || !openChatLink())
        return false;
    setWindowTitle(QStringLiteral("Orvella V") + versionText());
    if (!applySettings())
        return false;

    m_loaded = true;
    return true;
}

bool frmMain::takeInstanceLock()
{
    // A folder or lock file that cannot be made is told as what it is, not
    // as another copy running.
    std::optional<FileFailure> failed = FileIO::makeFolder(m_env.folder);
    if (!failed) {
        m_instanceLock =
            std::make_unique<InstanceLock>(m_env.folder + QStringLiteral("/orvella.lock"));
        if (m_instanceLock->state() == InstanceLock::State::HeldByAnother) {
            m_instanceLock.reset();
            m_dialogs.message(QStringLiteral("Quantrel is already running!"),
                              QStringLiteral("Quantrel Ending"));
            m_exitCode = 0;
            return false;
        }
        failed = m_instanceLock->failure();
    }
    if (failed) {
        m_instanceLock.reset();
        m_dialogs.message(failed->report(), QStringLiteral("Program Exiting"));
        m_exitCode = 1;
        return false;
    }
    // Only now: a second copy must not take the first one's writes for leftovers.
    FileIO::removeStrayTemporaries(m_env.folder);
    return true;
}

bool frmMain::openChatLink()
{
    if (m_link->InitDDE() == 0)
        return true;
    QString why = m_wadapi.lastError();
    const QString here = QCoreApplication::applicationDirPath();
    if (!why.isEmpty())
        why = QStringLiteral("\r\n\r\nThe chat client: ") + why + u'.';
    m_dialogs.message(Failure(ErrDdeInit).runTimeReport() + why +
                          QStringLiteral("\r\n\r\nStart a chat client in this session "
                                         "first, then Orvella: the stand-in room (%1 "
                                         "--players 6) or the IRC client (%2 --server "
                                         "NETWORK --channel '#CHANNEL' --nick NAME).")
                              .arg(clientCommand(here, QStringLiteral("orvella-room")),
                                   clientCommand(here, QStringLiteral("orvella-irc"))),
                      QStringLiteral("Orvella"));
    m_exitCode = 1;
    return false;
}

bool frmMain::applySettings()
{
    GlobalsInit(m_gs);
    m_wadapi.DapiRegister(m_env.appName());
    if (!::SettingsReader(m_gs, m_dialogs, m_env.folder)) {
        m_exitCode = 1;
        return false;
    }
    m_gs.LogFile = m_env.folder + QStringLiteral("/Orvella.log");
    // The room offers registering to whoever joins, at any time.
    m_link->SendNotice(NoticeKey::RegChar, m_gs.RegChar);

    if (m_gs.MainLeft > 0)
        moveToTwips(*this, m_gs.MainLeft, m_gs.MainTop);

    // A value no menu entry has is taken for the usual one.
    const auto offered = [](const std::array<Choice, 4> &menu, int value) {
        return std::any_of(menu.begin(), menu.end(),
                           [value](const Choice &c) { return c.value == value; });
    };
    if (!offered(m_speeds, m_gs.Delay))
        m_gs.Delay = 1;
    tickSpeed();
    if (!offered(m_autos, m_gs.Auto))
        m_gs.Auto = 0;
    tickAuto();

    mnuTop->setChecked(m_gs.OnTop);
    applyOnTop(m_gs.OnTop);

    takeDrawCount(m_gs, m_console);
    return true;
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
    m_link->Shutdown();
    saveSettings();
    // A step waiting for chat text or ticks must not outlive the window.
    Waits::abandonAll();
}

void frmMain::saveSettings()
{
    const QPointF place = positionInTwips(*this);
    reportWrite(m_dialogs, SettingsWriter(m_gs, m_env.folder, place.x(), place.y()));
}

ChildContext frmMain::childContext()
{
    QPointer<frmMain> self(this);
    auto writeSettings = [self, &gs = m_gs, &dialogs = m_dialogs, folder = m_env.folder] {
        if (self)
            self->saveSettings();
        else
            reportWrite(dialogs, SettingsWriter(gs, folder, gs.MainLeft, gs.MainTop));
    };
    auto link = [self]() -> ChatLink * { return self ? self->m_link.get() : nullptr; };
    return {m_gs, m_dialogs, m_env.folder, writeSettings, link, this};
}

void frmMain::setSpeed(int delay)
{
    m_gs.Delay = static_cast<Integer>(delay);
    tickSpeed();
    saveSettings();
}

void frmMain::setAuto(int seconds)
{
    // A countdown already running keeps its schedule; the new value applies
    // from the next ask.
    m_gs.Auto = static_cast<Integer>(seconds);
    tickAuto();
    saveSettings();
}

void frmMain::tickSpeed()
{
    for (const Choice &c : m_speeds)
        c.action->setChecked(c.value == m_gs.Delay);
}

void frmMain::tickAuto()
{
    m_console.setCaption(Ctl::cmdCountdown, countdownCaption(m_gs.Auto).value_or(
                                                m_console.caption(Ctl::cmdCountdown)));
    for (const Choice &c : m_autos)
        c.action->setChecked(c.value == m_gs.Auto);
}

void frmMain::mnuTop_Click()
{
    m_gs.OnTop = !m_gs.OnTop;
    mnuTop->setChecked(m_gs.OnTop);
    applyOnTop(m_gs.OnTop);
    saveSettings();
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
