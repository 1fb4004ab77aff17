#pragma once

#include "support/mainwindowfixture.h"

#include <QKeyEvent>

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
