#pragma once

#include "boxes/frmbox.h"
#include "game/banner.h"
#include "support/mainwindowfixture.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

// The game's steps as the host takes them, and what they leave.
struct GameSession : GameRig
{
    // Loaded with these words, opened under Ann Lee, and what the room heard
    // forgotten.
    void openGame(const QByteArray &words = "tiger\r\nlion\r\n")
    {
        dialogs.files.push_back(writeFile(u"words.txt"_qs, words));
        window().cmdAsk->click();
        room.pending << Greeting;
        w->cmdAsk->click();
        ASSERT_EQ(gs.GamePhase, 2);
        room.heard.clear();
    }
    void registerPlayers(const QStringList &names)
    {
        for (const QString &n : names)
            room.pending << esp(n, gs.RegChar);
        w->cmdGetRegs->click();
        room.heard.clear();
    }

    static QStringList listed(QListWidget *list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
};

class GameTest : public ::testing::Test, protected GameSession
{};

inline frmBox *shownBoxWindow()
{
    return MainWindowRig::shown<frmBox>();
}

// Runs act from the event loop once the boxes window shows, as the host
// would while a match waits for it.
inline void whenBoxWindowShows(const std::function<void(frmBox &)> &act)
{
    QTimer::singleShot(0, [act] {
        if (frmBox *box = shownBoxWindow())
            act(*box);
        else
            whenBoxWindowShows(act);
    });
}

// The host calls the boxes, gives the winner colour index and closes.
inline void pickBoxAndClose(int index)
{
    whenBoxWindowShows([index](frmBox &box) {
        box.cmdCall_Click();
        box.lblBox_Click(index);
        box.close();
    });
}
