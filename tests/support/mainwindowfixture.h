#pragma once

#include "app/frmmain.h"
#include "support/bytesio.h"
#include "support/gamecontextrig.h"

#include <QApplication>

#include <memory>

// The real main window, offscreen, over the room (or whatever chat points at
// when it is built).
struct MainWindowRig : RigBase
{
    Wadapi *chat = &room;
    std::unique_ptr<frmMain> w;
    bool started = false;

    ~MainWindowRig() { w.reset(); }
    frmMain &build()
    {
        const frmMain::Environment env{dir.path(), [] { return u"orvella"_qs; }};
        if (!w)
            w = std::make_unique<frmMain>(gs, *chat, ticks, ticks2, dialogs, rng, env);
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
        Waits::resetAbandoned();
        gs = GameState();
        started = false;
    }

    QString ini() const { return path(u"orvella.ini"_qs); }
    QByteArray log() const { return bytesOf(gs.LogFile); }

    // The window of this type that shows, if any.
    template <typename T> static T *shown()
    {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(top); t && t->isVisible())
                return t;
        return nullptr;
    }
    static void deleteClosed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// A game in the main window: "$" to register and the usual messages, over a
// room that shows the host's lines back and brings chatter when nobody speaks.
struct GameRig : MainWindowRig
{
    static inline const QString Greeting =
        u"Lounge: Welcome to the Lounge! Please be nice to each other."_qs;
    FakeTicks &timer1 = ticks; // the pacing timer, under the program's name

    GameRig() { room.chatter = u"Zed: nice weather today"_qs; }
    frmMain &window()
    {
        if (!started) {
            MainWindowRig::window();
            gs.RegChar = u"$"_qs;
            gs.WTG = u"WTG %player%! %word% is a match"_qs;
            gs.Sorry = u"Sorry %player%.  %word% is not a match"_qs;
        }
        return *w;
    }
    void restart()
    {
        MainWindowRig::restart();
        window();
    }
};
