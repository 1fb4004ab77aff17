#include "app/frmmain.h"

#include "files/loadwords.h"
#include "game/cmdask.h"
#include "game/draw.h"
#include "game/registration.h"

#include <QAction>
#include <QPushButton>

// Loading the words, opening the game, registrations and draws.
void frmMain::wireRoundSteps()
{
    auto onClick = [this](QPushButton *button, void (*step)(GameContext &)) {
        connect(button, &QPushButton::clicked, this,
                [this, step] { runStep([&] { step(game()); }); });
    };
    // A menu entry stays reachable while a step waits (a shortcut, a pop-up
    // menu on a list), so it starts nothing until the step under way is over.
    auto onIdleTrigger = [this](QAction *action, void (*step)(GameContext &)) {
        connect(action, &QAction::triggered, this, [this, step] {
            if (m_busyDepth == 0)
                runStep([&] { step(game()); });
        });
    };
    onClick(cmdAsk, cmdAsk_Click);
    onClick(cmdGetRegs, GetRegs);
    onClick(cmdList, ListPlayers);
    onClick(cmdDraw, cmdDraw_Click);
    onIdleTrigger(mnuLoad, LoadWords);
    onIdleTrigger(mnuPDelete, DeletePlayer);
    onIdleTrigger(mnuDPDraw, DrawAnotherPlayer);
}
