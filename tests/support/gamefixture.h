#pragma once

#include "boxes/frmbox.h"
#include "support/mainwindowfixture.h"

class GameTest : public ::testing::Test, protected GameRig
{};

inline frmBox *shownBoxWindow()
{
    return MainWindowRig::shown<frmBox>();
}

// Runs act from the event loop once the boxes window shows, as the host
// would while a match waits for it. It gives up when its test ends, so a
// window that never showed cannot make it act in a later test.
inline void whenBoxWindowShows(const std::function<void(frmBox &)> &act)
{
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    QTimer::singleShot(0, [act, test] {
        if (::testing::UnitTest::GetInstance()->current_test_info() != test)
            return;
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
