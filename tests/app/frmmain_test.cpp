#include "app/frmmain.h"
#include "chat/chatlink.h"
#include "chat/waits.h"
#include "game/gamestate.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest() { wadapi.whenScriptEnds = status("0"); }
    ~MainWindowTest() override { Waits::resetAbandoned(); }

    frmMain &window()
    {
        if (!m_window)
            m_window = std::make_unique<frmMain>(
                gs, wadapi, ticks, ticks2, dialogs, rng,
                frmMain::Environment{dir.path(), [] { return QStringLiteral("orvella"); }});
        return *m_window;
    }
    frmMain &loaded()
    {
        EXPECT_TRUE(window().Form_Load());
        return window();
    }
    QString ini() const { return dir.path() + QStringLiteral("/orvella.ini"); }
    QStringList roomHeard() const
    {
        QStringList lines;
        for (const QByteArray &b : wadapi.sent)
            lines << QString::fromLatin1(b);
        return lines;
    }

    QTemporaryDir dir;
    GameState gs;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    FakeTicks ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{7};
    std::unique_ptr<frmMain> m_window;
};

} // namespace

TEST_F(MainWindowTest, FirstStartWithoutSettings)
{
    frmMain &w = loaded();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvella V3.0.0"));
    EXPECT_TRUE(w.mnuVeryFast->isChecked());
    EXPECT_FALSE(w.mnuFast->isChecked());
    EXPECT_TRUE(w.mnuAutoOff->isChecked());
    EXPECT_FALSE(w.mnuTop->isChecked());
    EXPECT_EQ(w.cmdCountdown->text(), QStringLiteral("Countdown"));
    EXPECT_EQ(gs.DrawCount, 3);
    EXPECT_EQ(w.txtDrawCnt->text(), QStringLiteral("3"));
    EXPECT_EQ(w.lblPlayercnt->text(), QStringLiteral("0"));
    EXPECT_EQ(w.cmdAsk->text(), QStringLiteral("Load"));
    EXPECT_EQ(w.cmdAsk->toolTip(), QStringLiteral("Load"));
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_EQ(w.lblWord->text(), QStringLiteral("Load Orvellas"));
    EXPECT_TRUE(w.lblWordOf->text().isEmpty());
    for (QPushButton *b : {w.cmdGet, w.cmdCheck, w.cmdCountdown, w.cmdGetRegs, w.cmdDraw, w.cmdList})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(w.lstDown->count(), 0);
    EXPECT_EQ(w.lstPlayers->count(), 0);
    EXPECT_TRUE(w.Macro[1]->isEnabled() && w.Macro[20]->isEnabled());
    EXPECT_EQ(gs.HostName, QStringLiteral("Me"));
    EXPECT_EQ(gs.LogFile, dir.path() + QStringLiteral("/Orvella.log"));
    EXPECT_TRUE(gs.RegChar.isEmpty());
    EXPECT_FALSE(gs.Confirm);
    EXPECT_EQ(wadapi.log.mid(0, 2),
              QStringList({QStringLiteral("I orvella"), QStringLiteral("R orvella")}));
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, StoredOptionsAreAppliedAndNormalised)
{
    writeFile(ini(), "[Settings]\r\nDelay= 2 \r\nAuto= 30 \r\nOnTop=True\r\n\r\n");
    frmMain &w = loaded();
    EXPECT_TRUE(w.mnuMedium->isChecked());
    EXPECT_FALSE(w.mnuVeryFast->isChecked());
    EXPECT_TRUE(w.mnuThirty->isChecked());
    EXPECT_EQ(w.cmdCountdown->text(), QStringLiteral("Auto 30"));
    EXPECT_TRUE(w.mnuTop->isChecked());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(gs.RegChar, QStringLiteral("$"));

    GameState other;
    ScriptedWadapi wadapi2;
    wadapi2.whenScriptEnds = status("0");
    QTemporaryDir dir2;
    writeFile(dir2.path() + QStringLiteral("/orvella.ini"),
              "[settings]\r\ndelay=7\r\nauto=20\r\nleft=0\r\ntop=500\r\n\r\n");
    frmMain w2(other, wadapi2, ticks, ticks2, dialogs, rng,
               {dir2.path(), [] { return QStringLiteral("orvella"); }});
    const QPoint before = w2.pos();
    ASSERT_TRUE(w2.Form_Load());
    EXPECT_EQ(other.Delay, 1);
    EXPECT_TRUE(w2.mnuFast->isChecked());
    EXPECT_EQ(other.Auto, 0);
    EXPECT_TRUE(w2.mnuAutoOff->isChecked());
    EXPECT_EQ(w2.pos(), before);
}

TEST_F(MainWindowTest, StoredPositionIsInTwips)
{
    writeFile(ini(), "[settings]\r\nleft=1500\r\ntop=3000\r\n\r\n");
    frmMain &w = loaded();
    const double twipsPerPixel = 1440.0 / w.logicalDpiX();
    EXPECT_EQ(w.pos(), QPoint(qRound(1500 / twipsPerPixel), qRound(3000 / twipsPerPixel)));
    EXPECT_NEAR(w.leftTwips(), 1500, twipsPerPixel);
}

TEST_F(MainWindowTest, ABrokenSettingsFileEndsTheProgramAndIsKept)
{
    const QByteArray broken = "[settings]\r\nleft=40000\r\n\r\n";
    writeFile(ini(), broken);
    EXPECT_FALSE(window().Form_Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Program Exiting"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Overflow\r\n6\r\nError with file orvella.ini"));
    window().close();
    m_window.reset();
    EXPECT_EQ(readFile(ini()), broken);
}

TEST_F(MainWindowTest, NoChatClientMeansNoWindowAndNoFiles)
{
    wadapi.initResult = 1;
    EXPECT_FALSE(window().Form_Load());
    EXPECT_NE(window().exitCode(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("10001")));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Failed to initialize DDE layer")));
    EXPECT_EQ(wadapi.log, QStringList(QStringLiteral("I orvella")));
    window().close();
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, ASecondCopyEndsBeforeTouchingTheLink)
{
    loaded();
    GameState other;
    ScriptedWadapi wadapi2;
    frmMain second(other, wadapi2, ticks, ticks2, dialogs, rng,
                   {dir.path(), [] { return QStringLiteral("orvella"); }});
    EXPECT_FALSE(second.Form_Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Quantrel is already running!"));
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Quantrel Ending"));
    EXPECT_TRUE(wadapi2.log.isEmpty());

    // Once the first copy is gone, a new one starts.
    window().close();
    m_window.reset();
    frmMain third(other, wadapi2, ticks, ticks2, dialogs, rng,
                  {dir.path(), [] { return QStringLiteral("orvella"); }});
    wadapi2.whenScriptEnds = status("0");
    EXPECT_TRUE(third.Form_Load());
}

TEST_F(MainWindowTest, OptionMenusSaveAtOnce)
{
    frmMain &w = loaded();
    w.mnuFast->trigger();
    w.mnuMedium->trigger();
    EXPECT_EQ(gs.Delay, 2);
    for (QAction *a : {w.mnuVeryFast, w.mnuFast, w.mnuSlow})
        EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(w.mnuMedium->isChecked());
    EXPECT_TRUE(readFile(ini()).contains("\r\nDelay= 2 \r\n"));

    w.mnuSixty->trigger();
    EXPECT_EQ(gs.Auto, 60);
    EXPECT_EQ(w.cmdCountdown->text(), QStringLiteral("Auto 60"));
    EXPECT_TRUE(readFile(ini()).contains("\r\nAuto= 60 \r\n"));

    w.mnuTop->trigger();
    EXPECT_TRUE(gs.OnTop);
    EXPECT_TRUE(readFile(ini()).contains("\r\nOnTop=True\r\n"));
    w.mnuTop->trigger();
    EXPECT_FALSE(gs.OnTop);
    EXPECT_FALSE(w.mnuTop->isChecked());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(readFile(ini()).contains("\r\nOnTop=False\r\n"));
}

TEST_F(MainWindowTest, ClosingAndExitRunTheSameShutdown)
{
    for (bool byMenu : {false, true}) {
        QTemporaryDir d;
        GameState s;
        ScriptedWadapi link;
        link.whenScriptEnds = status("0");
        frmMain w(s, link, ticks, ticks2, dialogs, rng, {d.path(), [] { return QStringLiteral("orvella"); }});
        ASSERT_TRUE(w.Form_Load());
        w.show();
        if (byMenu)
            w.mnuExit->trigger();
        else
            w.close();
        EXPECT_EQ(link.log.mid(link.log.size() - 2),
                  QStringList({QStringLiteral("U orvella"), QStringLiteral("K")}));
        EXPECT_TRUE(readFile(d.path() + QStringLiteral("/orvella.ini")).startsWith("[Settings]\r\n"));
        Waits::resetAbandoned();
    }
}

TEST_F(MainWindowTest, EditWindowsHideTheMainWindowUntilClosed)
{
    frmMain &w = loaded();
    w.show();
    gs.BoxMode = 2;
    w.mnuBoxes->trigger();
    EXPECT_EQ(gs.BoxMode, 1);
    EXPECT_FALSE(w.isVisible());
    QWidget *box = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->objectName() == u"frmBox" && top->isVisible())
            box = top;
    ASSERT_NE(box, nullptr);
    box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isVisible());

    w.mnuAbout->trigger();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, BusyStateThroughTheWindow)
{
    frmMain &w = loaded();
    w.LockControls();
    EXPECT_FALSE(w.mnuFile->menuAction()->isEnabled());
    EXPECT_FALSE(w.mnuAbout->isEnabled());
    EXPECT_FALSE(w.Macro[7]->isEnabled());
    EXPECT_FALSE(w.cmdGetRegs->isEnabled());
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    gs.GamePhase = 1;
    w.RestoreControls();
    EXPECT_TRUE(w.mnuOptions->menuAction()->isEnabled());
    EXPECT_TRUE(w.Macro[7]->isEnabled());
    EXPECT_FALSE(w.cmdGetRegs->isEnabled());
    EXPECT_FALSE(w.cmdList->isEnabled());
}

TEST_F(MainWindowTest, MacroButtonsShowNamesAndSayExpandedLines)
{
    frmMain &w = loaded();
    gs.HostName = QStringLiteral("Ann");
    gs.RegChar = QStringLiteral("$");
    gs.Macros[5].Name = QStringLiteral("Welcome");
    gs.Macros[5].Text =
        QStringLiteral("Welcome to %host%'s game!\r\n%sub3%\r\nESP %REG% to register\r\n\r\nnever");
    w.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.Macro[5], &move);
    EXPECT_EQ(w.lblMacro->text(), QStringLiteral("Welcome"));
    QCoreApplication::sendEvent(w.MacroFrame, &move);
    EXPECT_TRUE(w.lblMacro->text().isEmpty());

    w.Macro[5]->click();
    EXPECT_EQ(roomHeard(), QStringList({QStringLiteral("Welcome to Ann's game!"),
                                        QStringLiteral("ESP $ to register")}));
    EXPECT_EQ(ticks.delivered, 2); // one pause of 1 tick after each line at Very Fast
    EXPECT_TRUE(w.Macro[5]->isEnabled());
    EXPECT_TRUE(w.mnuFile->menuAction()->isEnabled());

    // An empty macro says nothing, whatever the line cutter still holds.
    w.link().GetNext(QStringLiteral("left\r\nover"), QStringLiteral("\r\n"));
    w.Macro[6]->click();
    EXPECT_EQ(roomHeard().size(), 2);
}

TEST_F(MainWindowTest, AChatClientThatStopsAnsweringEndsTheMacro)
{
    frmMain &w = loaded();
    w.link().setAnswerLimit(std::chrono::milliseconds(20));
    gs.Macros[1].Text = QStringLiteral("one\r\ntwo\r\n");
    wadapi.whenScriptEnds.reset();
    w.Macro[1]->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client is not answering."));
    EXPECT_TRUE(w.Macro[1]->isEnabled());
    EXPECT_TRUE(w.mnuFile->menuAction()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, ClosingDuringAWaitEndsCleanly)
{
    frmMain &w = loaded();
    w.show();
    gs.Delay = 3;
    gs.Macros[2].Text = QStringLiteral("one\r\ntwo\r\n");
    ticks.afterTick = [&](int n) {
        if (n == 2)
            w.close();
    };
    w.Macro[2]->click();
    EXPECT_EQ(roomHeard(), QStringList(QStringLiteral("one")));
    EXPECT_FALSE(ticks.enabled());
    EXPECT_EQ(wadapi.log.last(), QStringLiteral("K"));
    EXPECT_TRUE(QFile::exists(ini()));
}

TEST_F(MainWindowTest, RightClicksOpenTheListMenus)
{
    frmMain &w = loaded();
    QList<QMenu *> shown;
    w.popupMenu = [&](QMenu *m) { shown << m; };
    w.show();
    QTest::mousePress(w.lstPlayers->viewport(), Qt::RightButton);
    QTest::mousePress(w.lstDown->viewport(), Qt::RightButton);
    QTest::mousePress(w.lstDown->viewport(), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], w.mnuPlayer);
    EXPECT_EQ(shown[1], w.mnuDPlayer);
    EXPECT_EQ(w.mnuPDelete->text(), QStringLiteral("Delete Player"));
    EXPECT_EQ(w.mnuDPDraw->text(), QStringLiteral("Draw Another Player"));
}

TEST_F(MainWindowTest, DrawCountFollowsTheScrollBar)
{
    frmMain &w = loaded();
    w.vsDrawCnt->setValue(-7);
    EXPECT_EQ(gs.DrawCount, 7);
    EXPECT_EQ(w.txtDrawCnt->text(), QStringLiteral("7"));
    w.vsDrawCnt->setValue(-20);
    EXPECT_EQ(gs.DrawCount, 10);
}

TEST_F(MainWindowTest, AStepCutShortByTheLinkPutsStateAndControlsBack)
{
    frmMain &w = loaded();
    w.addToList(MainControls::List::lstPlayers, QStringLiteral("Al"));
    w.selectRow(MainControls::List::lstPlayers, 0);
    gs.GamePhase = 1;
    w.runStep([&] {
        w.LockControls();
        w.LockControls();
        gs.GamePhase = 2;
        gs.HostName = QStringLiteral("Unknown");
        w.setEnabled(MainControls::Ctl::cmdAsk, false);
        w.setCaption(MainControls::Ctl::cmdAsk, QStringLiteral("Ask"));
        w.clearList(MainControls::List::lstPlayers);
        w.vsDrawCnt->setValue(-9);
        ticks2.setEnabled(true);
        throw LinkDown();
    });
    EXPECT_EQ(gs.GamePhase, 1);
    EXPECT_EQ(gs.HostName, QStringLiteral("Me"));
    EXPECT_EQ(gs.DrawCount, 3);
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_EQ(w.cmdAsk->text(), QStringLiteral("Load"));
    EXPECT_EQ(w.vsDrawCnt->value(), -3);
    ASSERT_EQ(w.lstPlayers->count(), 1);
    EXPECT_EQ(w.selectedRow(MainControls::List::lstPlayers), 0);
    EXPECT_FALSE(ticks2.enabled());
    EXPECT_TRUE(w.Macro[1]->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
