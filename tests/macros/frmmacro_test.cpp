#include "macros/frmmacro.h"

#include "macros/editorfixture.h"
#include "macros/macrofile.h"

#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

using Answer = HostDialogs::Answer;
const QString Filter = QStringLiteral("Macro File (*.TXT)|*.txt|All Files (*.*)|*.*");
const QColor Blue(192, 192, 255);
const QColor White(Qt::white);

QColor background(const QLineEdit *box)
{
    return box->palette().color(QPalette::Base);
}

// The whole file as the writer lays it out; blocks holds the lines of each
// written macro after its header.
QByteArray macroFile(const std::map<int, QByteArray> &subs, const std::map<int, QByteArray> &blocks)
{
    QByteArray out = "[Substitutions]\r\n";
    for (int n = 0; n < 10; ++n)
        out += "%sub" + QByteArray::number(n) + "%=" + (subs.count(n) ? subs.at(n) : "") + "\r\n";
    out += "\r\n";
    for (int i = 1; i <= 20; ++i)
        out += "[Macro  " + QByteArray::number(i) + " ]\r\n" +
               (blocks.count(i) ? blocks.at(i) : "") + "\r\n";
    return out + "[End Macros]\r\n\r\n";
}

class MacroEditorTest : public EditorTest
{
protected:
    frmMacro &editor()
    {
        if (!m_editor) {
            m_editor = std::make_unique<frmMacro>(gs, dialogs, dir.path(), main());
            m_editor->show();
        }
        return *m_editor;
    }
    void click(int button) { QTest::mouseClick(editor().txtButton[button], Qt::LeftButton); }
    void select(int from, int to)
    {
        QTextCursor c = editor().txtMacroText->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        editor().txtMacroText->setTextCursor(c);
    }

    std::unique_ptr<frmMacro> m_editor;
};

} // namespace

TEST_F(MacroEditorTest, LoadingShowsMacroOneAndCountsAsAChange)
{
    gs.Macros[1] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall\r\n")};
    gs.Macros[3].Name = QStringLiteral("Third");
    frmMacro &w = editor();
    EXPECT_TRUE(w.Changed);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Macro 1"));
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("Hello\nall\n"));
    EXPECT_EQ(w.txtMacroGuide->text(), QStringLiteral("Greeting"));
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(background(w.txtButton[i]), i == 1 ? Blue : White) << i;

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(w.txtButton[3], &enter);
    EXPECT_EQ(w.txtMacroGuide->text(), QStringLiteral("Third"));
    EXPECT_EQ(w.EditIndex, 1);
}

TEST_F(MacroEditorTest, SelectingCopiesTheBoxesBackAndReselectingUndoes)
{
    gs.Macros[4] = {QStringLiteral("Four"), QStringLiteral("four\r\n")};
    frmMacro &w = editor();
    EXPECT_FALSE(w.Changed); // an empty macro 1 leaves the boxes as they were
    w.txtMacroName->setText(QStringLiteral("Hi"));
    w.txtMacroText->setPlainText(QStringLiteral("a\nb"));
    click(4);
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Hi"));
    EXPECT_EQ(gs.Macros[1].Text, QStringLiteral("a\r\nb"));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Macro 4"));
    EXPECT_EQ(background(w.txtButton[1]), White);
    EXPECT_EQ(background(w.txtButton[4]), Blue);

    w.txtMacroText->setPlainText(QStringLiteral("lost"));
    click(4);
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("four\n"));
}

TEST_F(MacroEditorTest, TextsKeepTheirLinesThroughTheBoxesAndTheFile)
{
    const QString endsInCrLf = QStringLiteral("line one\r\nline two\r\n");
    const QString noBreakSpace = QStringLiteral("a\u00A0b\r\n");
    gs.Macros[1] = {QStringLiteral("One"), noBreakSpace};
    gs.Macros[2] = {QStringLiteral("Two"), endsInCrLf};
    gs.MacroFile = path(QStringLiteral("m.txt"));
    frmMacro &w = editor();
    click(2);
    click(3);
    // Shift+Return breaks the line inside the box's paragraph.
    QTest::keyClicks(w.txtMacroText, QStringLiteral("x"));
    QTest::keyClick(w.txtMacroText, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(w.txtMacroText, QStringLiteral("y"));
    w.close();
    EXPECT_EQ(gs.Macros[1].Text, noBreakSpace);
    EXPECT_EQ(gs.Macros[2].Text, endsInCrLf);
    EXPECT_EQ(gs.Macros[3].Text, QStringLiteral("x\r\ny"));

    GameState back;
    QFile file(gs.MacroFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    readMacros(file, back);
    EXPECT_EQ(back.Macros[1].Text, noBreakSpace);
    EXPECT_EQ(back.Macros[2].Text, endsInCrLf);
}

TEST_F(MacroEditorTest, FunctionKeysWithShiftAloneOrCtrlAloneInsertGestures)
{
    gs.Macros[1] = {QStringLiteral("G"), QStringLiteral("ab")};
    gs.MacroFile = path(QStringLiteral("m.txt"));
    QPlainTextEdit *box = editor().txtMacroText;
    select(1, 1);
    release(box, Qt::Key_F2, Qt::ShiftModifier);
    for (auto mods :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::ControlModifier | Qt::ShiftModifier,
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::MetaModifier | Qt::ShiftModifier})
        release(box, Qt::Key_F2, mods);
    release(box, Qt::Key_F3, Qt::ControlModifier, /*autoRepeat=*/true);
    EXPECT_EQ(box->toPlainText(), QStringLiteral("a\u00B0b"));

    select(3, 0); // replaced by the first
    for (int key = Qt::Key_F2; key <= Qt::Key_F11; ++key)
        release(box, key, key % 2 ? Qt::ShiftModifier : Qt::ControlModifier);
    editor().close();
    EXPECT_TRUE(
        readFile(gs.MacroFile).contains("\r\nG\r\n\xB0\xB3\xB1\xB2\xB5\xB7\xB8\xB9\xB4\xB6\r\n"));
}

TEST_F(MacroEditorTest, SaveWritesTheMacrosAsTheyStand)
{
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[1] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall\r\n")};
    gs.Macros[4] = {QStringLiteral("Four"), QStringLiteral("old\r\n")};
    gs.Subs[2] = QStringLiteral("x\u00B0");
    frmMacro &w = editor();
    click(4);
    w.txtMacroText->setPlainText(QStringLiteral("new"));
    w.mnuSave->trigger();
    EXPECT_FALSE(w.Changed);
    EXPECT_EQ(readFile(gs.MacroFile),
              macroFile({{2, "x\xB0"}},
                        {{1, "Greeting\r\nHello\r\nall\r\n\r\n"}, {4, "Four\r\nold\r\n\r\n"}}));
    EXPECT_EQ(dialogs.busyDepth, 0);
    click(5);
    EXPECT_EQ(gs.Macros[4].Text, QStringLiteral("new"));
}

TEST_F(MacroEditorTest, NewAsksFirstAndEmptiesMacrosAndSubs)
{
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("1\r\n")};
    gs.Macros[9] = {QStringLiteral("Nine"), QStringLiteral("9\r\n")};
    gs.Subs[0] = QStringLiteral("s0");
    frmMacro &w = editor();
    click(9);
    dialogs.answers = {Answer::Cancel, Answer::Yes};
    w.mnuNew->trigger();
    EXPECT_EQ(gs.Subs[0], QStringLiteral("s0"));
    w.mnuNew->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("Save changes to Macro file?"));
    EXPECT_EQ(dialogs.questions[0].title, QStringLiteral("Save Changes"));
    EXPECT_TRUE(readFile(path(QStringLiteral("m.txt"))).contains("%sub0%=s0\r\n"));
    EXPECT_TRUE(gs.MacroFile.isEmpty() && gs.Subs[0].isEmpty());
    EXPECT_FALSE(w.Changed);

    // The boxes go back into macro 9, the only one left with content.
    w.close();
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(gs.Macros[i].Name.isEmpty(), i != 9) << i;
    EXPECT_TRUE(dialogs.presets.isEmpty());
}

TEST_F(MacroEditorTest, ASaveThatDidNotHappenKeepsTheMacrosAndChanged)
{
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("1\r\n")};
    frmMacro &w = editor();
    w.mnuSave->trigger(); // no file yet: the save dialog, cancelled
    EXPECT_EQ(dialogs.filters, QStringList{Filter});
    EXPECT_EQ(dialogs.presets, QStringList{QString()});
    EXPECT_TRUE(w.Changed);

    dialogs.answers = {Answer::Yes, Answer::Yes};
    w.mnuNew->trigger(); // the save dialog cancelled
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("One"));
    dialogs.files.push_back(path(QStringLiteral("missing/m.txt")));
    w.mnuNew->trigger(); // a file that cannot be written
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Program Error"));
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("One"));
    EXPECT_TRUE(w.Changed);
    EXPECT_EQ(dialogs.busyDepth, 0);
    w.mnuSaveAs->trigger();
    EXPECT_EQ(dialogs.presets.last(), path(QStringLiteral("missing/m.txt")));
}

TEST_F(MacroEditorTest, OpenAsksWithItsOwnTitleAndReadsTheFile)
{
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("1\r\n")};
    gs.Macros[7] = {QStringLiteral("Seven"), QStringLiteral("7\r\n")};
    frmMacro &w = editor();
    click(5);
    dialogs.answers = {Answer::Cancel, Answer::No};
    w.mnuOpen->trigger();
    EXPECT_EQ(dialogs.questions.at(0).title, QStringLiteral("Save Changes?"));
    EXPECT_TRUE(dialogs.filters.isEmpty());

    QFile in(path(QStringLiteral("in.txt")));
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("[Substitutions]\r\n%SUB4%=x\r\n\r\n[Macro 1]\r\nHi\r\nHello\r\n\r\n[End]\r\n\r\n");
    in.close();
    dialogs.files.push_back(in.fileName());
    w.mnuOpen->trigger();
    EXPECT_EQ(dialogs.filters, QStringList{Filter});
    EXPECT_EQ(gs.MacroFile, in.fileName());
    EXPECT_EQ(gs.Subs[4], QStringLiteral("x"));
    EXPECT_EQ(gs.Macros[7].Name, QStringLiteral("Seven"));
    EXPECT_EQ(w.EditIndex, 1);
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("Hello\n"));
    EXPECT_EQ(w.txtMacroGuide->text(), QStringLiteral("Hi"));
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(background(w.txtButton[i]), i == 1 ? Blue : White) << i;
}

TEST_F(MacroEditorTest, AFileThatCannotBeOpenedIsReportedAndEditingGoesOn)
{
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("1\r\n")};
    frmMacro &w = editor();
    dialogs.answers = {Answer::No};
    dialogs.files = {path(QStringLiteral("gone.txt")), path(QStringLiteral("saved.txt"))};
    w.mnuOpen->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Error = 53\r\nFile not found\r\nProblem with Macro file.\r\n") +
                  path(QStringLiteral("gone.txt")));
    EXPECT_EQ(dialogs.busyDepth, 0);

    QTest::keyClicks(w.txtMacroName, QStringLiteral("!"));
    click(2);
    w.mnuSaveAs->trigger();
    EXPECT_TRUE(readFile(gs.MacroFile).contains("[Macro  1 ]\r\nOne!\r\n1\r\n"));
}

TEST_F(MacroEditorTest, WhatTheFileCannotHoldIsReportedAtEverySave)
{
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[1] = {QStringLiteral("Euro \u20AC"), QStringLiteral("fine\r\n")};
    gs.Macros[2] = {QStringLiteral("Two"), QStringLiteral("\u03A9 omega\r\n")};
    gs.Macros[3] = {QStringLiteral("Three"), QStringLiteral("a\r\n\r\nb\r\n")};
    gs.Macros[4] = {QStringLiteral("Four"), QStringLiteral("\r\nlate")};
    gs.Subs[1] = QStringLiteral("\u2192");
    frmMacro &w = editor();
    w.mnuSave->trigger();
    w.mnuSave->trigger();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("The macro file cannot hold everything as it stands:\r\n"
                             "%sub1%: characters the file cannot hold are saved as \"?\".\r\n"
                             "Macro 2: characters the file cannot hold are saved as \"?\".\r\n"
                             "Macro 3: the lines after an empty line are lost when the file is "
                             "read again.\r\nMacro 4: the text is not saved because its first "
                             "line is empty or starts with a control character.\r\n"
                             "The file is saved anyway."));
    const QByteArray bytes = readFile(gs.MacroFile);
    EXPECT_TRUE(bytes.contains("%sub1%=?\r\n") && bytes.contains("\r\nEuro \x80\r\n"));
}

TEST_F(MacroEditorTest, ClosingSavesChangesAndSettingsAndShowsTheMainWindow)
{
    frmMain &m = loadedMain();
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("1\r\n")};
    m.mnuMacro->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shownWindow<frmMacro>("frmMacro");
    ASSERT_NE(w, nullptr);
    QTest::keyClicks(w->txtMacroText, QStringLiteral("x"));
    w->mnuExit->trigger();
    deleteClosed();
    EXPECT_EQ(shownWindow<frmMacro>("frmMacro"), nullptr);
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(readFile(gs.MacroFile).contains("[Macro  1 ]\r\nOne\r\nx1\r\n\r\n\r\n"));
    EXPECT_TRUE(readFile(ini()).contains(("\r\nMacroFile=" + gs.MacroFile + "\r\n").toLatin1()));
}

TEST_F(MacroEditorTest, CancellingTheSaveDialogAtClosingStillCloses)
{
    frmMain &m = loadedMain();
    m.mnuMacro->trigger();
    auto *w = shownWindow<frmMacro>("frmMacro");
    ASSERT_NE(w, nullptr);
    QTest::keyClicks(w->txtMacroName, QStringLiteral("Named"));
    w->close();
    deleteClosed();
    EXPECT_EQ(dialogs.presets, QStringList{QString()});
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Named"));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.txt")}).isEmpty());
    EXPECT_TRUE(readFile(ini()).contains("\r\nMacroFile=\r\n"));
}

TEST_F(MacroEditorTest, APathTheSettingsFileCannotHoldIsReported)
{
    gs.MacroFile = path(QStringLiteral("\u03A9.txt"));
    editor().close();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("Macro file path")));
}
