#include "app/frmmain.h"

#include "game/cmdask.h"
#include "game/draw.h"
#include "game/loadwords.h"
#include "game/registration.h"

#include <QAction>
#include <QPushButton>

// Loading the words, opening the game, registrations and draws.
void frmMain::wireRoundSteps()
{
    onClick(Ctl::cmdAsk, cmdAsk_Click);
    onClick(Ctl::cmdGetRegs, GetRegs);
    onClick(Ctl::cmdList, ListPlayers);
    onClick(Ctl::cmdDraw, cmdDraw_Click);
    onIdleTrigger(mnuLoad, LoadWords);
    onIdleTrigger(mnuPDelete, DeletePlayer);
    onIdleTrigger(mnuDPDraw, DrawAnotherPlayer);
}
