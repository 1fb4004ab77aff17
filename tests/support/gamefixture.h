#pragma once

#include "boxes/frmbox.h"
#include "support/mainwindowfixture.h"

class GameTest : public ::testing::Test, protected GameRig
{};

// Once the boxes window shows, the host calls the boxes, gives the winner
// colour index and closes, from the event loop as the host would while a
// match waits for it. It gives up when its test ends, so a window that never
// showed cannot make it act in a later test.
inline void pickBoxAndClose(int index)
{
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    QTimer::singleShot(0, [index, test] {
        if (::testing::UnitTest::GetInstance()->current_test_info() != test)
            return;
        if (frmBox *box = MainWindowRig::shown<frmBox>()) {
            box->cmdCall_Click();
            box->lblBox_Click(index);
            box->close();
        } else {
            pickBoxAndClose(index);
        }
    });
}
