#include "app/frmmain.h"

#include "game/cmdask.h"

#include <QPushButton>

// Loading the words, opening the game, registrations and draws.
void frmMain::wireRoundSteps()
{
    connect(cmdAsk, &QPushButton::clicked, this, [this] { runStep([this] { cmdAsk_Click(game()); }); });
}
