#pragma once

#include "app/frmmain.h"
#include "support/gamecontextrig.h"

// The widgets the window tests reach into.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <memory>

// A control of a window by its object name (a button unless told); a test
// naming one the window lacks stops there.
template <class T = QPushButton> T *part(const QObject &window, const char *name)
{
    if (T *found = window.findChild<T *>(QString::fromLatin1(name)))
        return found;
    qFatal("no %s named %s", T::staticMetaObject.className(), name);
}

// The real main window, offscreen, over the room (or whatever chat points at
// when it is built).
struct MainWindowRig : RigBase
{
    Wadapi *chat = &room;
    std::unique_ptr<frmMain> w;
    bool started = false;

    // Over the rig's folder unless told, as the program of that name.
    frmMain &build(const QString &folder = {}, const QString &app = u"orvella"_qs)
    {
        const frmMain::Environment env{folder.isEmpty() ? dir.path() : folder,
                                       [app] { return app; }};
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

// The editors beside a real main window (build() makes it, window() also
// starts it), offscreen on fakes.
class EditorTest : public ::testing::Test, protected MainWindowRig
{
protected:
    // A key-up as the window system delivers it: key code plus the modifiers
    // held at that moment.
    static void release(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                        bool autoRepeat = false)
    {
        QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
        QCoreApplication::sendEvent(w, &e);
    }
};
