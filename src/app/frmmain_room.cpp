#include "app/frmmain.h"

#include "chat/chatlink.h"
#include "game/gamestate.h"
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
        const QString prefix =
            menu == mnuDPlayer ? QStringLiteral("mnuDP") : QStringLiteral("mnuP");
        const auto marked = [this, list] {
            const int row = m_console.selectedRow(list);
            const QStringList &rows = m_console.rows(list);
            return row >= 0 && row < rows.size() ? rows[row] : QString();
        };
        QAction *esp = menu->addAction(QStringLiteral("Send ESP"));
        esp->setObjectName(prefix + QStringLiteral("Esp"));
        connect(esp, &QAction::triggered, this, [this, marked] {
            if (const QString name = marked(); !name.isEmpty())
                showRoom(name);
        });
        // The room's order, for the marked player; the outcome shows in the Room window.
        for (const auto &[caption, action] :
             {std::pair{"Mute", ModAction::Mute}, std::pair{"Kick", ModAction::Kick},
              std::pair{"Ban", ModAction::Ban}}) {
            QAction *entry = menu->addAction(QString::fromLatin1(caption));
            entry->setObjectName(prefix + QString::fromLatin1(caption));
            connect(entry, &QAction::triggered, this, [this, marked, action] {
                const QString name = marked();
                if (name.isEmpty())
                    return;
                showRoom({});
                m_roomWindow->moderate(
                    {action, name, action == ModAction::Mute ? ModLimits::DefaultMinutes : 0, {}});
            });
        }
    }
    m_session.link().setModerationHook([this](const ModRequest &request, bool done,
                                              const QString &words) {
        QString line = words;
        // The players list is the host's: a kick or ban leaves it alone.
        const bool removes = request.action == ModAction::Kick || request.action == ModAction::Ban;
        if (done && removes &&
            m_console.rows(List::lstPlayers).contains(request.name, Qt::CaseInsensitive))
            line += QStringLiteral(" %1 is still on the players list.").arg(request.name);
        if (!m_roomWindow)
            showRoom({});
        m_roomWindow->addOutcome(line);
    });
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
        RoomContext context{childContext(), [this](const HostLine &line) { m_session.say(line); },
                            [this] {
                                ChatLink &link = m_session.link();
                                return link.clientHostName().isEmpty() ? m_gs.HostName
                                                                       : link.clientHostName();
                            },
                            [this](const ModRequest &request) {
                                m_session.moderate(request, [this](const QString &why) {
                                    if (m_roomWindow)
                                        m_roomWindow->addOutcome(why);
                                });
                            }};
        // Closed at shutdown, its place goes out with the main window's own save.
        context.child.writeSettings = [this] {
            if (!m_unloaded)
                m_session.saveSettings();
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
