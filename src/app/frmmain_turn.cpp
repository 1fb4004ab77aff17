#include "app/frmmain.h"

#include "boxes/frmbox.h"

#include <QAction>
#include <QPushButton>

// Asking, reading and checking answers, countdowns, boxes and resuming.
void frmMain::wireTurnSteps()
{
    onClick(Ctl::cmdGet);
    onClick(Ctl::cmdCheck);
    onClick(Ctl::cmdCountdown);
    onTrigger(mnuRecover, Session::Entry::Recover);

    m_session.game().showBoxWindow = [this](BoxPick &pick) {
        QWidget *box = createBoxWindow(childContext(), &pick);
        // A child window, so it goes when the main window goes; the main
        // window stays visible while the winner's box is called.
        box->setParent(this, Qt::Window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAttribute(Qt::WA_QuitOnClose, false);
        box->show();
    };
}
