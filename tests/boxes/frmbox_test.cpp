#include "game/boxpick.h"
#include "game/busystate.h"
#include "support/gamefixture.h"

#include <QTest>

using BoxWindowTest = GameTest;

// A winner's pick as a match runs it: the window draws the record and hands
// the host's clicks and its close to the step, which waits for the call; a
// broken link undoes the step and closes the window.
TEST_F(BoxWindowTest, CallingBoxesForAWinner)
{
    window();
    std::tie(gs.WinnerCount, gs.Delay) = std::tuple(1, 1);
    std::vector<bool> hourglass; // when shown, and once the pick has ended
    const auto match = [&](const std::function<void(frmBox *)> &host) {
        w->runStep([&] {
            LockControls(w->game());
            BoxPick pick;
            openBoxes(gs, pick, BoxMode::CallWinner);
            w->game().showBoxWindow(pick);
            frmBox *box = shown<frmBox>();
            hourglass.push_back(QApplication::overrideCursor() != nullptr);
            QTimer::singleShot(0, [box, host] { host(box); });
            runBoxPick(gs, w->link(), pick, {});
            hourglass.push_back(QApplication::overrideCursor() != nullptr);
            RestoreControls(w->game());
        });
        deleteClosed();
    };
    bool callShown = false; // the button off and the hourglass during the call
    match([&](frmBox *box) {
        box->cmdCall->click();
        QTimer::singleShot(0, [&, box] {
            for (int i : {1, 7, 9}) // the check boxes themselves only toggle
                QTest::mouseClick(box->chkBox[i], Qt::LeftButton);
            QTest::mouseClick(box->lblBox[7], Qt::LeftButton); // taken, then not available
            QTest::mouseClick(box->lblBox[7], Qt::LeftButton);
            timer1.afterTick = [&, box](int n) {
                if (n == 2) {
                    callShown = !box->cmdCall->isEnabled() && QApplication::overrideCursor();
                    box->close();
                }
            };
            box->cmdCall->click();
        });
    });
    EXPECT_EQ(room.heard,
              QStringList({u" -- No boxes left -- "_qs, u"Pink is not available."_qs,
                           u" -- Select a box color -- "_qs, u" -- Red, White -- "_qs}));
    EXPECT_EQ(timer1.delivered, 6); // a pause of 3 ticks after each called line
    EXPECT_TRUE(callShown && !shown<frmBox>() && !QFile::exists(ini())); // none in mode 2
    EXPECT_EQ(gs.BoxMode, BoxMode::EditDefaults);
    EXPECT_TRUE(gs.Boxes[1].Available && gs.Boxes[9].Available && !gs.Boxes[7].Available);
    EXPECT_EQ(gs.Winners[1].Box, u"Pink"_qs);
    EXPECT_EQ(hourglass, std::vector<bool>({false, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    room.breakOn = [](const QString &) { return true; };
    match([](frmBox *box) {
        box->lblBox_Click(1);
        box->cmdCall_Click();
    });
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(!shown<frmBox>() && gs.Winners[1].Box == u"Pink"_qs && gs.Boxes[1].Available);

    // The main window closes meanwhile: the box's place is in its settings.
    room.breakOn = nullptr;
    match([&](frmBox *box) {
        box->move(4000, 10);
        w->close();
    });
    EXPECT_FALSE(shown<frmBox>());
    EXPECT_TRUE(bytesOf(ini()).contains("BoxLeft= 32767 "));
}

TEST_F(BoxWindowTest, TheDefaultSetAndThePlaceAreKeptForTheNextStart)
{
    window().show();
    gs.Boxes[0].InDefault = true;
    part<QAction>(*w, "mnuBoxes")->trigger(); // Edit Boxes: mode 1, the main window hidden
    frmBox *box = shown<frmBox>();
    ASSERT_TRUE(box && !w->isVisible() && box->chkBox[0]->isChecked());
    for (int i : {0, 1, 5})
        box->lblBox_Click(i);
    box->cmdCall->click();
    EXPECT_TRUE(room.heard.isEmpty());
    EXPECT_TRUE(gs.Boxes[5].InDefault && gs.Boxes[5].Available && !gs.Boxes[0].Available);
    box->move(4000, 10); // far out on a wide desktop: kept within what the file holds
    box->close();
    deleteClosed();
    EXPECT_EQ(gs.BoxLeft, 32767);

    restart();
    EXPECT_TRUE(gs.Boxes[5].Available && !gs.Boxes[0].Available);
    part<QAction>(*w, "mnuBoxes")->trigger();
    box = shown<frmBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->pos(), QPoint(qRound(32767 * box->logicalDpiX() / 1440.0), 10));
}
