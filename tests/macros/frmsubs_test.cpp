#include "macros/frmsubs.h"

#include "macros/editorfixture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

class SubsEditorTest : public EditorTest
{
protected:
    frmSubs &editor()
    {
        if (!m_editor) {
            m_editor = std::make_unique<frmSubs>(gs, dialogs);
            m_editor->show();
        }
        return *m_editor;
    }

    std::unique_ptr<frmSubs> m_editor;
};

} // namespace

TEST_F(SubsEditorTest, EditsGoIntoSubsAtOnceAndClosingWritesTheFile)
{
    frmMain &m = loadedMain();
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[2] = {QStringLiteral("Two"), QStringLiteral("2\r\n")};
    gs.Subs[9] = QStringLiteral("nine");
    m.mnuSubs->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shownWindow<frmSubs>("frmSubs");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Label3[7]->text(), QStringLiteral("%sub7%"));
    EXPECT_EQ(w->txtSub[9]->text(), QStringLiteral("nine"));
    QTest::keyClicks(w->txtSub[3], QStringLiteral("new"));
    EXPECT_EQ(gs.Subs[3], QStringLiteral("new"));
    w->txtSub[6]->setText(QStringLiteral("\u03A9"));
    EXPECT_FALSE(QFile::exists(gs.MacroFile));

    w->close();
    deleteClosed();
    EXPECT_TRUE(m.isVisible());
    const QByteArray bytes = readFile(gs.MacroFile);
    EXPECT_TRUE(bytes.startsWith("[Substitutions]\r\n%sub0%=\r\n%sub1%=\r\n%sub2%=\r\n"
                                 "%sub3%=new\r\n%sub4%=\r\n"));
    EXPECT_TRUE(bytes.contains("%sub6%=?\r\n%sub7%=\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n[Macro  2 ]\r\nTwo\r\n2\r\n\r\n\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u); // told before writing
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("%sub6%")));
}

TEST_F(SubsEditorTest, WithoutAMacroFileNothingIsWritten)
{
    frmSubs &w = editor();
    w.txtSub[1]->insert(QStringLiteral("\u03A9"));
    w.close();
    EXPECT_EQ(gs.Subs[1], QStringLiteral("\u03A9"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SubsEditorTest, FunctionKeysInsertGesturesAtTheCaret)
{
    gs.Subs[0] = QStringLiteral("ab");
    QLineEdit *box = editor().txtSub[0];
    box->setCursorPosition(1);
    release(box, Qt::Key_F9, Qt::ControlModifier);
    release(box, Qt::Key_F9);
    release(box, Qt::Key_F9, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(gs.Subs[0], QStringLiteral("a\u00B9b"));
    box->setSelection(0, 1);
    release(box, Qt::Key_F4, Qt::ShiftModifier);
    EXPECT_EQ(gs.Subs[0], QStringLiteral("\u00B1\u00B9b"));
}
