#pragma once

#include "app/frmmain.h"
#include "support/sessionrig.h"

// The real main window, offscreen, over a session on the room (or whatever
// chat points at when it is built).
struct MainWindowRig : SessionRig
{
    std::unique_ptr<frmMain> w;
    bool started = false;

    // Over the rig's folder unless told, as the program of that name.
    frmMain &build(const QString &folder = {}, const QString &app = u"orvella"_qs)
    {
        if (!w)
            w = std::make_unique<frmMain>(makeSession(folder, app));
        return *w;
    }
    // Built and started once.
    frmMain &window()
    {
        if (!started) {
            started = build().Form_Load();
            EXPECT_TRUE(started);
        }
        return *w;
    }
    // The program ends; window() starts it again in the same folder.
    void restart()
    {
        w->close();
        w.reset();
        session.reset();
        Waits::resetAbandoned();
        gs = GameState();
        started = false;
    }
};

// A game in the main window, over a room that shows the host's lines back
// and brings chatter when nobody speaks.
struct GameRig : MainWindowRig
{
    FakeTicks &timer1 = ticks; // the pacing timer, under the program's name

    GameRig() { room.chatter = u"Zed: nice weather today"_qs; }
    frmMain &window()
    {
        if (!started) {
            MainWindowRig::window();
            useGameSettings();
        }
        return *w;
    }
    void restart()
    {
        MainWindowRig::restart();
        window();
    }
    static QStringList listed(QListWidget *list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
};

// A main window on fakes (build() makes it, window() also starts it).
class MainWindowTest : public ::testing::Test, protected MainWindowRig
{};
