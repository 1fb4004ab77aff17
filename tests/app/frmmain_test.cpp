#include "chat/chatlink.h"
#include "support/mainwindowfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

class MainWindowTest : public ::testing::Test, protected MainWindowRig
{};

} // namespace

TEST_F(MainWindowTest, FirstStartWithoutSettings)
{
    frmMain &w = window();
    EXPECT_EQ(w.windowTitle(), u"Orvella V3.0.0"_qs);
    EXPECT_TRUE(w.mnuVeryFast->isChecked() && w.mnuAutoOff->isChecked());
    EXPECT_FALSE(w.mnuFast->isChecked() || w.mnuTop->isChecked());
    EXPECT_EQ(w.cmdCountdown->text(), u"Countdown"_qs);
    EXPECT_EQ(gs.DrawCount, 3);
    EXPECT_EQ(w.txtDrawCnt->text(), u"3"_qs);
    EXPECT_EQ(w.lblPlayercnt->text(), u"0"_qs);
    EXPECT_EQ(w.cmdAsk->text() + w.cmdAsk->toolTip() + w.lblWord->text(),
              u"LoadLoadLoad Orvellas"_qs);
    EXPECT_TRUE(w.cmdAsk->isEnabled() && w.lblWordOf->text().isEmpty());
    for (QPushButton *b :
         {w.cmdGet, w.cmdCheck, w.cmdCountdown, w.cmdGetRegs, w.cmdDraw, w.cmdList})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(gs.HostName, u"Me"_qs);
    EXPECT_EQ(gs.LogFile, path(u"Orvella.log"_qs));
    EXPECT_TRUE(gs.RegChar.isEmpty());
    EXPECT_FALSE(gs.Confirm);
    EXPECT_EQ(room.client.log.mid(0, 2), QStringList({u"I orvella"_qs, u"R orvella"_qs}));
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, StoredOptionsAreAppliedAndNormalised)
{
    writeFile(
        u"orvella.ini"_qs,
        "[Settings]\r\nDelay= 2 \r\nAuto= 30 \r\nOnTop=True\r\nleft=1500\r\ntop=3000\r\n\r\n");
    frmMain &w = window();
    EXPECT_TRUE(w.mnuMedium->isChecked() && !w.mnuVeryFast->isChecked());
    EXPECT_TRUE(w.mnuThirty->isChecked());
    EXPECT_EQ(w.cmdCountdown->text(), u"Auto 30"_qs);
    EXPECT_TRUE(w.mnuTop->isChecked() && (w.windowFlags() & Qt::WindowStaysOnTopHint));
    EXPECT_EQ(gs.RegChar, u"$"_qs);
    // The position is stored in twips.
    const double twipsPerPixel = 1440.0 / w.logicalDpiX();
    EXPECT_EQ(w.pos(), QPoint(qRound(1500 / twipsPerPixel), qRound(3000 / twipsPerPixel)));
    EXPECT_NEAR(positionInTwips(w).x(), 1500, twipsPerPixel);

    MainWindowRig other;
    other.writeFile(u"orvella.ini"_qs,
                    "[settings]\r\ndelay=7\r\nauto=20\r\nleft=0\r\ntop=500\r\n\r\n");
    const QPoint before = other.build().pos();
    other.window();
    EXPECT_EQ(other.gs.Delay, 1);
    EXPECT_TRUE(other.w->mnuFast->isChecked());
    EXPECT_EQ(other.gs.Auto, 0);
    EXPECT_TRUE(other.w->mnuAutoOff->isChecked());
    EXPECT_EQ(other.w->pos(), before);
}

TEST_F(MainWindowTest, ABrokenSettingsFileEndsTheProgramAndIsKept)
{
    const QByteArray broken = "[settings]\r\nleft=40000\r\n\r\n";
    writeFile(u"orvella.ini"_qs, broken);
    EXPECT_FALSE(build().Form_Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, u"Program Exiting"_qs);
    EXPECT_EQ(dialogs.messages[0].text, u"Overflow\r\n6\r\nError with file orvella.ini"_qs);
    w->close();
    w.reset();
    EXPECT_EQ(readFile(ini()), broken);
}

TEST_F(MainWindowTest, NoChatClientMeansNoWindowAndNoFiles)
{
    room.client.initResult = 1;
    EXPECT_FALSE(build().Form_Load());
    EXPECT_NE(w->exitCode(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"10001"_qs));
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"Failed to initialize DDE layer"_qs));
    EXPECT_EQ(room.client.log, QStringList(u"I orvella"_qs));
    w->close();
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, ASecondCopyEndsBeforeTouchingTheLink)
{
    window();
    GameState other;
    ScriptedWadapi chat2;
    frmMain second(other, chat2, ticks, ticks2, dialogs, rng, env());
    EXPECT_FALSE(second.Form_Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"Quantrel is already running!"_qs);
    EXPECT_EQ(dialogs.messages[0].title, u"Quantrel Ending"_qs);
    EXPECT_TRUE(chat2.log.isEmpty());

    // Once the first copy is gone, a new one starts.
    restart();
    EXPECT_TRUE(build().Form_Load());
}

TEST_F(MainWindowTest, OptionMenusSaveAtOnceAndExitShutsDown)
{
    frmMain &w = window();
    w.mnuFast->trigger();
    w.mnuMedium->trigger();
    EXPECT_EQ(gs.Delay, 2);
    for (QAction *a : {w.mnuVeryFast, w.mnuFast, w.mnuSlow})
        EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(readFile(ini()).contains("\r\nDelay= 2 \r\n"));

    w.mnuSixty->trigger();
    EXPECT_EQ(gs.Auto, 60);
    EXPECT_EQ(w.cmdCountdown->text(), u"Auto 60"_qs);
    EXPECT_TRUE(readFile(ini()).contains("\r\nAuto= 60 \r\n"));

    w.mnuTop->trigger();
    EXPECT_TRUE(gs.OnTop);
    EXPECT_TRUE(readFile(ini()).contains("\r\nOnTop=True\r\n"));
    w.mnuTop->trigger();
    EXPECT_FALSE(gs.OnTop || w.mnuTop->isChecked());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(readFile(ini()).contains("\r\nOnTop=False\r\n"));

    QFile::remove(ini());
    w.show();
    w.mnuExit->trigger();
    EXPECT_EQ(room.client.log.mid(room.client.log.size() - 2),
              QStringList({u"U orvella"_qs, u"K"_qs}));
    EXPECT_TRUE(readFile(ini()).startsWith("[Settings]\r\n"));
}

TEST_F(MainWindowTest, MacroButtonsShowNamesAndSayExpandedLines)
{
    frmMain &w = window();
    gs.HostName = u"Ann"_qs;
    gs.RegChar = u"$"_qs;
    gs.Macros[5].Name = u"Welcome"_qs;
    gs.Macros[5].Text =
        u"Welcome to %host%'s game!\r\n%sub3%\r\nESP %REG% to register\r\n\r\nnever"_qs;
    w.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.Macro[5], &move);
    EXPECT_EQ(w.lblMacro->text(), u"Welcome"_qs);
    QCoreApplication::sendEvent(w.MacroFrame, &move);
    EXPECT_TRUE(w.lblMacro->text().isEmpty());

    w.Macro[5]->click();
    EXPECT_EQ(room.heard, QStringList({u"Welcome to Ann's game!"_qs, u"ESP $ to register"_qs}));
    EXPECT_EQ(ticks.delivered, 2); // one pause of 1 tick after each line at Very Fast
    EXPECT_TRUE(w.Macro[5]->isEnabled() && w.mnuFile->menuAction()->isEnabled());

    // An empty macro says nothing, whatever the line cutter still holds.
    w.link().GetNext(u"left\r\nover"_qs, u"\r\n"_qs);
    w.Macro[6]->click();
    EXPECT_EQ(room.heard.size(), 2);

    // A chat client that stops answering ends the macro.
    w.link().setAnswerLimit(std::chrono::milliseconds(20));
    room.client.whenScriptEnds.reset();
    w.Macro[5]->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"The chat client is not answering."_qs);
    EXPECT_TRUE(w.Macro[5]->isEnabled() && w.mnuFile->menuAction()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, ClosingDuringAWaitEndsCleanly)
{
    frmMain &w = window();
    w.show();
    gs.Delay = 3;
    gs.Macros[2].Text = u"one\r\ntwo\r\n"_qs;
    ticks.afterTick = [&](int n) {
        if (n == 2)
            w.close();
    };
    w.Macro[2]->click();
    EXPECT_EQ(room.heard, QStringList(u"one"_qs));
    EXPECT_FALSE(ticks.enabled());
    EXPECT_EQ(room.client.log.last(), u"K"_qs);
    EXPECT_TRUE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, TheListsAndTheDrawCount)
{
    frmMain &w = window();
    QList<QMenu *> shown;
    w.popupMenu = [&](QMenu *m) { shown << m; };
    w.show();
    QTest::mousePress(w.lstPlayers->viewport(), Qt::RightButton);
    QTest::mousePress(w.lstDown->viewport(), Qt::RightButton);
    QTest::mousePress(w.lstDown->viewport(), Qt::LeftButton);
    EXPECT_EQ(shown, QList<QMenu *>({w.mnuPlayer, w.mnuDPlayer}));

    w.vsDrawCnt->setValue(-7);
    EXPECT_EQ(gs.DrawCount, 7);
    EXPECT_EQ(w.txtDrawCnt->text(), u"7"_qs);
    w.vsDrawCnt->setValue(-20);
    EXPECT_EQ(gs.DrawCount, 10);
}

TEST_F(MainWindowTest, AStepLocksTheControlsAndALinkFailurePutsEverythingBack)
{
    frmMain &w = window();
    w.addToList(MainControls::List::lstPlayers, u"Al"_qs);
    w.selectRow(MainControls::List::lstPlayers, 0);
    gs.GamePhase = 1;
    w.runStep([&] {
        w.LockControls();
        w.LockControls();
        EXPECT_FALSE(w.mnuFile->menuAction()->isEnabled() || w.mnuAbout->isEnabled());
        EXPECT_FALSE(w.Macro[7]->isEnabled() || w.cmdGetRegs->isEnabled());
        EXPECT_TRUE(w.cmdAsk->isEnabled());
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        gs.GamePhase = 2;
        gs.HostName = u"Unknown"_qs;
        w.setEnabled(MainControls::Ctl::cmdAsk, false);
        w.setCaption(MainControls::Ctl::cmdAsk, u"Ask"_qs);
        w.clearList(MainControls::List::lstPlayers);
        w.vsDrawCnt->setValue(-9);
        ticks2.setEnabled(true);
        throw LinkDown();
    });
    EXPECT_EQ(gs.GamePhase, 1);
    EXPECT_EQ(gs.HostName, u"Me"_qs);
    EXPECT_EQ(gs.DrawCount, 3);
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_EQ(w.cmdAsk->text(), u"Load"_qs);
    EXPECT_EQ(w.vsDrawCnt->value(), -3);
    ASSERT_EQ(w.lstPlayers->count(), 1);
    EXPECT_EQ(w.selectedRow(MainControls::List::lstPlayers), 0);
    EXPECT_FALSE(ticks2.enabled());
    EXPECT_TRUE(w.Macro[1]->isEnabled() && w.mnuFile->menuAction()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
