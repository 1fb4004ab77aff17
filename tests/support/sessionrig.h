#pragma once

#include "session/session.h"
#include "support/gamecontextrig.h"
#include "windows/childwindows.h"

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

// The program without its windows, over the rig's room (or whatever chat
// points at when it is built): what a child window's test opens its window
// over, and what the main window is handed.
struct SessionRig : RigBase
{
    Wadapi *chat = &room;
    std::unique_ptr<Session> session;

    // Over the rig's folder unless told, as the program of that name.
    Session &makeSession(const QString &folder = {}, const QString &app = u"orvella"_qs)
    {
        if (!session)
            session = std::make_unique<Session>(
                Session::Outside{gs, *chat, ticks, ticks2, dialogs, rng},
                Session::Environment{folder.isEmpty() ? dir.path() : folder,
                                     [app] { return app; }});
        return *session;
    }
    Session &startSession()
    {
        Session &s = makeSession();
        if (!s.started()) {
            EXPECT_TRUE(s.start());
        }
        return s;
    }
    // The context of a window opened beside no main window.
    ChildContext childContext() { return childContextOf(makeSession(), nullptr); }
    // A window as the menus open it: shown, released when closed.
    template <typename T> static T *open(QWidget *window)
    {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return qobject_cast<T *>(window);
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
    // A key-up as the window system delivers it: key code plus the modifiers
    // held at that moment.
    static void release(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                        bool autoRepeat = false)
    {
        QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
        QCoreApplication::sendEvent(w, &e);
    }
};

// A window beside no main window, offscreen on fakes.
class ChildWindowTest : public ::testing::Test, protected SessionRig
{};
