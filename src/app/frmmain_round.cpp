#include "app/frmmain.h"

#include <QAction>
#include <QPushButton>

// Loading the words, opening the game, registrations and draws.
void frmMain::wireRoundSteps()
{
    onClick(Ctl::cmdAsk);
    onClick(Ctl::cmdGetRegs);
    onClick(Ctl::cmdList);
    onClick(Ctl::cmdDraw);
    onTrigger(mnuLoad, Session::Entry::Load);
    onTrigger(mnuPDelete, Session::Entry::DeletePlayer);
    onTrigger(mnuDPDraw, Session::Entry::DrawAnotherPlayer);
}
