#pragma once

#include "support/mainwindowfixture.h"

#include <QKeyEvent>

// The editors beside a real main window, built offscreen on fakes.
class EditorTest : public ::testing::Test, protected MainWindowRig
{
protected:
    frmMain &main() { return build(); }
    frmMain &loadedMain()
    {
        window().show();
        return *w;
    }
    template <typename T> static T *shownWindow(const char *) { return shown<T>(); }

    // A key-up as the window system delivers it: key code plus the modifiers
    // held at that moment.
    static void release(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                        bool autoRepeat = false)
    {
        QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
        QCoreApplication::sendEvent(w, &e);
    }
};
