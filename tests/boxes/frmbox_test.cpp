#include "game/busystate.h"
#include "support/gamefixture.h"

#include <QTest>

using BoxWindowTest = GameTest;

// A closing waits for the call; a link that fails ends the call, not the window.
TEST_F(BoxWindowTest, CallingBoxesForAWinner)
{
    window();
    // As a match opens it: mode 2, for the latest winner.
    const auto forWinner = [&] {
        std::tie(gs.WinnerCount, gs.BoxMode, gs.Delay) = std::tuple(1, BoxMode::CallWinner, 1);
        auto *box = new frmBox(w->childContext());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return box;
    };
    frmBox *box = forWinner();
    box->cmdCall->click();
    for (int i : {1, 7, 9}) // the check boxes themselves only toggle
        QTest::mouseClick(box->chkBox[i], Qt::LeftButton);
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton); // taken, then not available
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton);
    timer1.afterTick = [&](int n) {
        if (n == 2)
            box->close();
    };
    box->cmdCall->click();
    EXPECT_EQ(room.heard,
              QStringList({u" -- No boxes left -- "_qs, u"Pink is not available."_qs,
                           u" -- Select a box color -- "_qs, u" -- Red, White -- "_qs}));
    EXPECT_EQ(timer1.delivered, 6); // a pause of 3 ticks after each called line
    deleteClosed();
    EXPECT_TRUE(!shown<frmBox>() && !QFile::exists(ini())); // no settings written in mode 2
    EXPECT_EQ(gs.BoxMode, BoxMode::EditDefaults);
    EXPECT_TRUE(gs.Boxes[1].Available && gs.Boxes[9].Available && !gs.Boxes[7].Available);

    // Opened by a match that still waits: the normal pointer over it, the
    // step's hourglass again once it closes, none after the step.
    std::vector<bool> hourglass;
    session->runStep([&] {
        LockControls(session->game());
        const QPointer<frmBox> open = forWinner();
        hourglass.push_back(QApplication::overrideCursor() != nullptr);
        timer1.afterTick = [open](int) { return open && open->close(); };
        session->link().My_Wait(1);
        hourglass.push_back(QApplication::overrideCursor() != nullptr);
        RestoreControls(session->game());
    });
    EXPECT_EQ(hourglass, std::vector<bool>({false, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    box = forWinner();
    room.breakOn = [](const QString &) { return true; };
    box->cmdCall->click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(box->isVisible() && box->cmdCall->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    box->close();
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
