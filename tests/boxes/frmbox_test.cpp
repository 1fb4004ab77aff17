#include "game/gamefixture.h"

#include <QAction>
#include <QCheckBox>
#include <QTest>

class BoxWindowTest : public GameTest
{
protected:
    BoxWindowTest() { window(); }
    // As a match opens it: mode 2, for the latest winner.
    frmBox *forWinner()
    {
        gs.WinnerCount = 1;
        gs.BoxMode = 2;
        auto *box = new frmBox(w->childContext());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return box;
    }
};

TEST_F(BoxWindowTest, CallingBoxesForAWinnerAndAClosingThatWaitsForTheCall)
{
    gs.Delay = 1;
    frmBox *box = forWinner();
    box->cmdCall->click();
    for (int i : {1, 4, 7, 9}) // the check boxes themselves only toggle
        QTest::mouseClick(box->chkBox[i], Qt::LeftButton);
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton); // taken, then not available
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton);
    box->lblBox_Click(4); // a second colour replaces the first
    EXPECT_EQ(gs.Winners[1].Box, u"Green"_qs);
    QPointer<frmBox> alive = box;
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
    EXPECT_TRUE(alive.isNull() && !QFile::exists(ini())); // no settings written in mode 2
    EXPECT_EQ(gs.BoxMode, 1);
    EXPECT_TRUE(gs.Boxes[1].Available && gs.Boxes[9].Available && !gs.Boxes[9].InDefault);
    EXPECT_FALSE(gs.Boxes[4].Available || gs.Boxes[7].Available);
}

TEST_F(BoxWindowTest, ALinkThatFailsEndsTheCallButNotTheWindow)
{
    frmBox *box = forWinner();
    room.breakOn = [](const QString &) { return true; };
    box->cmdCall->click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(box->isVisible() && box->cmdCall->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    box->close();
    deleteClosed();
}

TEST_F(BoxWindowTest, TheDefaultSetAndThePlaceAreKeptForTheNextStart)
{
    gs.Boxes[0].InDefault = true;
    w->show();
    w->mnuBoxes->trigger(); // Edit Boxes: mode 1, the main window hidden
    frmBox *box = shownBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(box->cmdCall->text() == u"Set Default" && box->chkBox[0]->isChecked());
    for (int i : {0, 1, 5})
        box->lblBox_Click(i);
    box->cmdCall->click();
    EXPECT_TRUE(room.heard.isEmpty());
    EXPECT_TRUE(gs.Boxes[5].InDefault && gs.Boxes[5].Available && !gs.Boxes[0].Available);
    // Reset checks the default set and leaves other marks alone.
    box->chkBox[1]->setChecked(false);
    box->chkBox[8]->setChecked(true);
    box->mnuReset->trigger();
    EXPECT_TRUE(box->chkBox[1]->isChecked() && box->chkBox[8]->isChecked());
    box->move(150, 90);
    box->close();
    deleteClosed();
    EXPECT_TRUE(w->isVisible());

    restart();
    EXPECT_TRUE(gs.Boxes[8].Available && !gs.Boxes[0].Available);
    w->mnuBoxes->trigger();
    box = shownBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->pos(), QPoint(150, 90));
    box->move(4000, 10); // far out on a wide desktop: kept within what the file holds
    box->close();
    deleteClosed();
    EXPECT_EQ(gs.BoxLeft, 32767);
}
