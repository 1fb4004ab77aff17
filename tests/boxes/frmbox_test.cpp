#include "boxes/frmbox.h"
#include "game/boxpick.h"
#include "game/busystate.h"
#include "support/sessionrig.h"
#include "windows/busypointer.h"

#include <QTest>

class BoxWindowTest : public ChildWindowTest
{
protected:
    // The session with the hourglass a main window would show.
    BoxWindowTest()
    {
        Session::Window window;
        window.showBusy = [this](bool on) {
            if (on)
                busy.emplace();
            else
                busy.reset();
        };
        startSession().setWindow(window);
    }
    std::optional<BusyPointer::Wait> busy;
};

// A winner's pick as a match runs it: the window draws the record and hands
// the host's clicks and its close to the step, which waits for the call; a
// broken link undoes the step and closes the window.
TEST_F(BoxWindowTest, CallingBoxesForAWinner)
{
    QWidget mainWindow; // the boxes window closes with it
    std::tie(gs.WinnerCount, gs.Delay) = std::tuple(1, 1);
    std::vector<bool> hourglass; // when shown, and once the pick has ended
    const auto match = [&](const std::function<void(frmBox *)> &host) {
        session->runStep([&] {
            LockControls(session->game());
            BoxPick pick;
            openBoxes(gs, pick, BoxMode::CallWinner);
            auto *box = open<frmBox>(createBoxWindow(childContextOf(*session, &mainWindow), &pick));
            hourglass.push_back(QApplication::overrideCursor() != nullptr);
            QTimer::singleShot(0, [box, host] { host(box); });
            runBoxPick(gs, session->link(), pick, {});
            hourglass.push_back(QApplication::overrideCursor() != nullptr);
            RestoreControls(session->game());
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
            ticks.afterTick = [&, box](int n) {
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
    EXPECT_EQ(ticks.delivered, 6); // a pause of 3 ticks after each called line
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

    // The program closes meanwhile: the box's place is in its settings.
    room.breakOn = nullptr;
    match([&](frmBox *box) {
        box->move(4000, 10);
        mainWindow.close();
        session->shutdown();
    });
    EXPECT_FALSE(shown<frmBox>());
    EXPECT_TRUE(bytesOf(ini()).contains("BoxLeft= 32767 "));
}

TEST_F(BoxWindowTest, TheDefaultSetAndThePlaceAreKeptForTheNextStart)
{
    gs.Boxes[0].InDefault = true;
    auto *box = open<frmBox>(createBoxWindow(childContext())); // Edit Boxes
    ASSERT_TRUE(box->chkBox[0]->isChecked());
    for (int i : {0, 1, 5})
        box->lblBox_Click(i);
    box->cmdCall->click();
    EXPECT_TRUE(room.heard.isEmpty());
    EXPECT_TRUE(gs.Boxes[5].InDefault && gs.Boxes[5].Available && !gs.Boxes[0].Available);
    box->move(4000, 10); // far out on a wide desktop: kept within what the file holds
    box->close();
    deleteClosed();
    EXPECT_EQ(gs.BoxLeft, 32767);

    session->shutdown(); // and the program starts again
    session.reset();
    gs = GameState();
    Waits::resetAbandoned();
    startSession();
    EXPECT_TRUE(gs.Boxes[5].Available && !gs.Boxes[0].Available);
    box = open<frmBox>(createBoxWindow(childContext()));
    EXPECT_EQ(box->pos(), QPoint(qRound(32767 * box->logicalDpiX() / 1440.0), 10));
    box->close();
}
