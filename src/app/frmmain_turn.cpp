#include "app/frmmain.h"

#include "boxes/frmbox.h"
#include "chat/chatlink.h"
#include "chat/ticksource.h"
#include "chat/waits.h"
#include "game/asking.h"
#include "game/countdown.h"
#include "game/gamestate.h"
#include "game/recovergame.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

namespace {
// How soon a countdown tick held back by a request is tried again.
constexpr std::chrono::milliseconds TickRetry{20};
} // namespace

// Asking, reading and checking answers, countdowns, boxes and resuming.
void frmMain::wireTurnSteps()
{
    onClick(Ctl::cmdGet, cmdGet_Click);
    onClick(Ctl::cmdCheck, cmdCheck_Click);
    onClick(Ctl::cmdCountdown, cmdCountdown_Click);
    onIdleTrigger(mnuRecover, RecoverGame);

    m_game->timer2.onTick = [this] {
        GameContext &ctx = game();
        if (Waits::abandoned()) {
            ctx.timer2.setEnabled(false);
            return;
        }
        // A second of the countdown that falls into the link's wait for a
        // status is counted once that request is over, as it always was.
        if (m_link->requesting()) {
            QTimer::singleShot(TickRetry, this, [this] {
                if (m_game->timer2.enabled() && m_game->timer2.onTick)
                    m_game->timer2.onTick();
            });
            return;
        }
        bool linkFailed = false;
        runStep([&] {
            try {
                Timer2_Timer(ctx);
            } catch (const LinkDown &) {
                linkFailed = true;
                throw;
            }
        });
        if (linkFailed)
            cancelCountdown(ctx);
    };

    // The countdown timer is not the window's own; it must not call into a
    // window that has gone.
    connect(this, &QObject::destroyed, [timer2 = &m_game->timer2] {
        timer2->setEnabled(false);
        timer2->onTick = nullptr;
    });

    m_game->showBoxWindow = [this](BoxPick &pick) {
        QWidget *box = createBoxWindow(childContext(), &pick);
        // A child window, so it goes when the main window goes; the main
        // window stays visible while the winner's box is called.
        box->setParent(this, Qt::Window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAttribute(Qt::WA_QuitOnClose, false);
        box->show();
    };
}
