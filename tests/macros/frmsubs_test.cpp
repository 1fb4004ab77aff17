#include "macros/frmsubs.h"

#include "macros/editorfixture.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

using SubsEditorTest = EditorTest;

TEST_F(SubsEditorTest, EditsGoIntoSubsAtOnceAndClosingWritesTheFile)
{
    frmMain &m = loadedMain();
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[2] = {QStringLiteral("Two"), QStringLiteral("2\r\n")};
    gs.Subs[0] = QStringLiteral("ab");
    m.mnuSubs->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shownWindow<frmSubs>("frmSubs");
    ASSERT_NE(w, nullptr);
    QTest::keyClicks(w->txtSub[3], QStringLiteral("new"));
    EXPECT_EQ(gs.Subs[3], QStringLiteral("new"));
    w->txtSub[6]->setText(QStringLiteral("\u03A9"));
    w->txtSub[0]->setSelection(0, 1);
    release(w->txtSub[0], Qt::Key_F4, Qt::ShiftModifier); // a gesture for the selection
    release(w->txtSub[0], Qt::Key_F4, Qt::ShiftModifier, /*autoRepeat=*/true);
    EXPECT_EQ(gs.Subs[0], QStringLiteral("\u00B1b"));

    w->close();
    deleteClosed();
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(readFile(gs.MacroFile)
                    .startsWith("[Substitutions]\r\n%sub0%=\xB1"
                                "b\r\n%sub1%=\r\n%sub2%=\r\n"
                                "%sub3%=new\r\n%sub4%=\r\n%sub5%=\r\n%sub6%=?\r\n%sub7%=\r\n"
                                "%sub8%=\r\n%sub9%=\r\n\r\n[Macro  1 ]\r\n\r\n"
                                "[Macro  2 ]\r\nTwo\r\n2\r\n\r\n\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u); // told before writing
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("%sub6%")));
}

TEST_F(SubsEditorTest, WithoutAMacroFileNothingIsWritten)
{
    frmSubs w(gs, dialogs);
    w.show();
    w.txtSub[1]->setText(QStringLiteral("\u03A9"));
    w.close();
    EXPECT_TRUE(QDir(dir.path()).isEmpty() && dialogs.messages.empty());
}
