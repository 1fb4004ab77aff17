#include "app/frmmain.h"

#include "app/steprunner.h"
#include "chat/chatlink.h"
#include "game/gamestate.h"
#include "game/hostline.h"
#include "roomwindow/frmroom.h"

#include <QAction>
#include <QMenu>

void frmMain::buildRoomEntries()
{
    mnuRoom = new QAction(QStringLiteral("R&oom"), this);
    mnuRoom->setObjectName(QStringLiteral("mnuRoom"));
    mnuFile->insertAction(nextAfter(mnuFile, mnuScores), mnuRoom);
    connect(mnuRoom, &QAction::triggered, this, [this] { showRoom({}); });
    // An ESP to the player whose row is marked, from either list's pop-up.
    const std::pair<QMenu *, List> popups[] = {{mnuDPlayer, List::lstDown},
                                               {mnuPlayer, List::lstPlayers}};
    for (const auto &[menu, list] : popups) {
        QAction *esp = menu->addAction(QStringLiteral("Send ESP"));
        esp->setObjectName(menu == mnuDPlayer ? QStringLiteral("mnuDPEsp")
                                              : QStringLiteral("mnuPEsp"));
        connect(esp, &QAction::triggered, this, [this, list] {
            const int row = m_console.selectedRow(list);
            const QStringList &rows = m_console.rows(list);
            if (row >= 0 && row < rows.size())
                showRoom(rows[row]);
        });
    }
}

QAction *frmMain::nextAfter(QMenu *menu, QAction *action)
{
    const QList<QAction *> actions = menu->actions();
    const qsizetype at = actions.indexOf(action);
    return at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
}

// Beside the main window, which stays usable; the room's text comes as the
// client copies it, so the game's reading of the room is the same either way.
void frmMain::showRoom(const QString &espTo)
{
    if (!m_roomWindow) {
        RoomContext context{childContext(),
                            [this](const HostLine &line) {
                                m_runner->onHostAction(true, [this, line] {
                                    runStep([&] { HostSays(game(), line); });
                                });
                            },
                            [this] {
                                return m_link->clientHostName().isEmpty()
                                           ? m_gs.HostName
                                           : m_link->clientHostName();
                            }};
        // Closed at shutdown, its place goes out with the main window's own save.
        context.child.writeSettings = [this] {
            if (!m_unloaded)
                saveSettings();
        };
        m_roomWindow = createRoomWindow(std::move(context));
        m_roomWindow->setParent(this, Qt::Window);
        m_roomWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_roomWindow->setAttribute(Qt::WA_QuitOnClose, false);
        m_roomWindow->show();
    }
    m_roomWindow->raise();
    m_roomWindow->activateWindow();
    if (!espTo.isEmpty())
        m_roomWindow->startEsp(espTo);
}

void frmMain::closeRoom()
{
    // Its place is saved with the settings, and nothing reaches it after the link.
    if (m_roomWindow) {
        m_roomWindow->close();
        delete m_roomWindow.data();
    }
}
