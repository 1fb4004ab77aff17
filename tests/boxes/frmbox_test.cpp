#include "game/turnfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QTest>

namespace {

class BoxWindowTest : public ::testing::Test, protected TurnSession
{
protected:
    BoxWindowTest() { window(); }
    // As a match opens it: mode 2, for the latest winner.
    frmBox *forWinner(std::initializer_list<int> available)
    {
        for (int i : available)
            gs.Boxes[i].Available = true;
        gs.WinnerCount = 1;
        gs.BoxMode = 2;
        auto *box = new frmBox(gs, dialogs, dir.path(), *w);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return box;
    }
    // As Edit Boxes opens it: mode 1, the main window hidden.
    frmBox *editDefaults()
    {
        w->show();
        w->mnuBoxes->trigger();
        return shownBoxWindow();
    }
    static void closeAndRelease(frmBox *box)
    {
        box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST_F(BoxWindowTest, CallingBoxesForAWinner)
{
    gs.Delay = 1;
    frmBox *box = forWinner({1, 4, 5, 7});
    EXPECT_EQ(box->windowTitle() + box->cmdCall->text(), u"Box CallerCall Boxes"_qs);
    EXPECT_EQ(box->lblBox[6]->palette().color(QPalette::Window), QColor(0xC0, 0, 0xC0));
    EXPECT_EQ(box->lblBox[6]->palette().color(QPalette::WindowText), QColor(Qt::white));
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton);
    EXPECT_FALSE(box->chkBox[7]->isChecked());
    EXPECT_EQ(gs.Winners[1].Box, u"Pink"_qs);
    box->cmdCall->click();
    QTest::mouseClick(box->lblBox[7], Qt::LeftButton);
    EXPECT_EQ(room.heard,
              QStringList({u" -- Select a box color -- "_qs, u" -- Red, Green, Blue -- "_qs,
                           u"Pink is not available."_qs}));
    EXPECT_EQ(timer1.delivered, 6); // a pause of 3 ticks after each called line
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A second available colour replaces the first; the check box itself
    // only toggles.
    box->lblBox_Click(4);
    QTest::mouseClick(box->chkBox[9], Qt::LeftButton);
    EXPECT_EQ(gs.Winners[1].Box, u"Green"_qs);
    for (int i : {1, 5, 9})
        box->chkBox[i]->setChecked(!box->chkBox[i]->isChecked());
    box->cmdCall->click();
    EXPECT_EQ(room.heard.last(), u" -- No boxes left -- "_qs);
    closeAndRelease(box);
    EXPECT_EQ(gs.BoxMode, 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(gs.Boxes[i].Available || gs.Boxes[i].InDefault) << i;
    EXPECT_FALSE(QFile::exists(dir.filePath(u"orvella.ini"_qs)));
}

TEST_F(BoxWindowTest, TheDefaultSetAndThePlaceAreKeptForTheNextStart)
{
    gs.Boxes[0].InDefault = true;
    frmBox *box = editDefaults();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(box->cmdCall->text() == u"Set Default" && box->chkBox[0]->isChecked());
    for (int i : {0, 1, 5})
        box->lblBox_Click(i);
    box->cmdCall->click();
    EXPECT_TRUE(room.heard.isEmpty());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(gs.Boxes[i].InDefault && gs.Boxes[i].Available, i == 1 || i == 5) << i;
    // Reset checks the default set and leaves other marks alone.
    box->chkBox[1]->setChecked(false);
    box->chkBox[8]->setChecked(true);
    box->mnuReset->trigger();
    EXPECT_TRUE(box->chkBox[1]->isChecked() && box->chkBox[8]->isChecked());
    box->move(150, 90);
    closeAndRelease(box);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(gs.BoxMode, 1);

    restart();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(gs.Boxes[i].Available, i == 1 || i == 5 || i == 8) << i;
    box = editDefaults();
    EXPECT_EQ(box->pos(), QPoint(150, 90));
    // Far out on a wide desktop: kept within what the settings file holds.
    box->move(4000, 10);
    closeAndRelease(box);
    EXPECT_EQ(gs.BoxLeft, 32767);
    restart();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(BoxWindowTest, ACloseDuringTheCallWaitsForItsEnd)
{
    gs.Delay = 2;
    QPointer<frmBox> box = forWinner({3});
    timer1.afterTick = [&](int n) {
        if (n == 2)
            box->close();
    };
    box->cmdCall->click();
    timer1.afterTick = nullptr;
    EXPECT_EQ(room.heard.size(), 2);
    EXPECT_EQ(gs.BoxMode, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
}

TEST_F(BoxWindowTest, ALinkThatFailsEndsTheCallButNotTheWindow)
{
    frmBox *box = forWinner({3});
    room.breakOn = [](const QString &) { return true; };
    box->cmdCall->click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(box->isVisible() && box->cmdCall->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    closeAndRelease(box);
}
