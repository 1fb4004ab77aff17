#include "support/mainwindowfixture.h"

#include <QMouseEvent>
#include <QTest>

// Options are applied at start, saved at once when changed from the menu,
// and again when the window closes.
TEST(MainWindowStart, StoredOptionsAreAppliedOddOnesNormalisedAndChangesSaved)
{
    // Lines of the [Settings] section ('|' between), the speed, the
    // automatic countdown, on top, where the window goes in twips ((0, 0):
    // where it was), and the registration character the room is told.
    const std::tuple<const char *, int, int, bool, QPoint, QString> cases[] = {
        {"", 0, 0, false, {}, {}}, // no settings file
        {"Delay= 2 |Auto= 30 |OnTop=True|left=1500|top=3000", 2, 30, true, {1500, 3000}, "$"},
        {"delay=7|auto=20|left=0|top=500|RegChar=\xB0", 1, 0, false, {}, u"\u00B0"_qs},
    };
    for (const auto &[settings, speed, autoSeconds, onTop, twips, reg] : cases) {
        MainWindowRig rig;
        if (*settings)
            rig.writeFile(u"orvella.ini"_qs, "[Settings]\r\n" +
                                                 QByteArray(settings).replace('|', "\r\n") +
                                                 "\r\n\r\n");
        const QPoint before = rig.build().pos();
        frmMain &w = rig.window();
        const char *const speeds[] = {"mnuVeryFast", "mnuFast", "mnuMedium", "mnuSlow"};
        EXPECT_TRUE(part<QAction>(w, speeds[speed])->isChecked());
        EXPECT_EQ(std::tuple(rig.gs.Delay, rig.gs.Auto), std::tuple(speed, autoSeconds));
        EXPECT_EQ(bool(w.windowFlags() & Qt::WindowStaysOnTopHint), onTop);
        EXPECT_EQ(QFile::exists(rig.ini()), *settings != 0); // a start writes nothing
        for (const char *b : {"cmdGet", "cmdCheck", "cmdGetRegs", "cmdDraw", "cmdList"})
            EXPECT_FALSE(part(w, b)->isEnabled()) << b;
        const double twipsPerPixel = 1440.0 / w.logicalDpiX();
        EXPECT_EQ(w.pos(), twips.isNull() ? before : (QPointF(twips) / twipsPerPixel).toPoint())
            << settings;

        for (const char *menu : {"mnuSlow", "mnuSixty", "mnuTop"})
            part<QAction>(w, menu)->trigger();
        EXPECT_NE(bool(w.windowFlags() & Qt::WindowStaysOnTopHint), onTop);
        const QByteArray saved = bytesOf(rig.ini());
        EXPECT_TRUE(saved.contains("\r\nDelay= 3 \r\nAuto= 60 \r\n"));
        EXPECT_TRUE(saved.contains(onTop ? "\r\nOnTop=False\r\n" : "\r\nOnTop=True\r\n"));
        QFile::remove(rig.ini());
        w.close();
        EXPECT_TRUE(QFile::exists(rig.ini()));
        EXPECT_EQ(rig.room.log.mid(2), QStringList({u"N reg "_qs + reg, u"U orvella"_qs, u"K"_qs}));
    }
}

// The Edit and Options menus' windows stand in for the main window until
// they close.
TEST_F(MainWindowTest, AnEditorFromTheMenusHidesTheMainWindowUntilItCloses)
{
    frmMain &w = window();
    w.show();
    for (const char *entry : {"mnuMacro", "mnuSubs", "mnuBoxes", "mnuSet"}) {
        part<QAction>(w, entry)->trigger();
        QWidget *opened = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != &w && top->isVisible())
                opened = top;
        ASSERT_TRUE(opened && !w.isVisible()) << entry;
        opened->close();
        deleteClosed();
        EXPECT_TRUE(w.isVisible()) << entry;
    }
}

// A macro button shows its name under the pointer and says its lines.
TEST_F(MainWindowTest, MacroButtonsAnswerThePointer)
{
    frmMain &w = window();
    gs.HostName = u"Ann"_qs;
    gs.Macros[5] = {u"Welcome"_qs, u"Hi %host%!\r\n%sub3%\r\nbye\r\n\r\nnever"_qs};
    w.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(part(w, "Macro5"), &move);
    EXPECT_EQ(part<QLabel>(w, "lblMacro")->text(), u"Welcome"_qs);
    QCoreApplication::sendEvent(part<QFrame>(w, "MacroFrame"), &move);
    EXPECT_TRUE(part<QLabel>(w, "lblMacro")->text().isEmpty());
    part(w, "Macro5")->click(); // an empty expansion is skipped, an empty line ends it
    EXPECT_EQ(room.heard, QStringList({u"Hi Ann!"_qs, u"bye"_qs}));
    EXPECT_EQ(ticks.delivered, 2); // one tick's pause after each line at Very Fast
}

// A first start has no registration character: Start, from its key, asks
// for one and says nothing in the room. No two of the window's keys clash.
TEST_F(MainWindowTest, AFirstStartAsksForARegistrationCharacterThroughTheTurnKeys)
{
    frmMain &w = window();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "apple\r\n"));
    const auto press = [&](Qt::Key key) { QTest::keyClick(&w, key, Qt::AltModifier); };
    press(Qt::Key_S);
    ASSERT_EQ(gs.GamePhase, GamePhase::Loaded);
    press(Qt::Key_S);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"Options > Settings"_qs));
    EXPECT_TRUE(room.heard.isEmpty());
    EXPECT_EQ(gs.GamePhase, GamePhase::Loaded);
    EXPECT_TRUE(part(w, "cmdAsk")->isEnabled() && part<QAction>(w, "mnuLoad")->isEnabled());
    press(Qt::Key_G); // Get is disabled: nothing happens
    EXPECT_EQ(dialogs.messages.size(), 1u);

    QList<QKeySequence> keys;
    for (const QAction *a : w.findChildren<QAction *>())
        if (!a->shortcut().isEmpty())
            keys << a->shortcut();
    EXPECT_EQ(QSet<QKeySequence>(keys.begin(), keys.end()).size(), keys.size());
}
