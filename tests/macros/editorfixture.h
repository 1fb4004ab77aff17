#pragma once

#include "app/frmmain.h"
#include "chat/waits.h"
#include "game/gamestate.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// The editors beside a real main window, built offscreen on fakes, with a
// temporary program folder.
class EditorTest : public ::testing::Test
{
protected:
    EditorTest() { wadapi.whenScriptEnds = status("0"); }
    ~EditorTest() override { Waits::resetAbandoned(); }

    frmMain &main()
    {
        if (!m_main)
            m_main = std::make_unique<frmMain>(
                gs, wadapi, ticks, ticks2, dialogs, rng,
                frmMain::Environment{dir.path(), [] { return QStringLiteral("orvella"); }});
        return *m_main;
    }
    frmMain &loadedMain()
    {
        EXPECT_TRUE(main().Form_Load());
        main().show();
        return main();
    }

    QString path(const QString &name) const { return dir.path() + u'/' + name; }
    QString ini() const { return path(QStringLiteral("orvella.ini")); }
    static QByteArray readFile(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The window the main window's menu opened, once it is visible.
    template <typename T> static T *shownWindow(const char *name)
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible())
                return qobject_cast<T *>(top);
        }
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

    QTemporaryDir dir;
    GameState gs;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    FakeTicks ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{7};

private:
    std::unique_ptr<frmMain> m_main;
};
