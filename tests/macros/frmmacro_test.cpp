#include "macros/frmmacro.h"

#include "macros/editorfixture.h"
#include "macros/macrofile.h"

#include <QBuffer>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

using Answer = HostDialogs::Answer;
const QString Filter = QStringLiteral("Macro File (*.TXT)|*.txt|All Files (*.*)|*.*");
const QString FirstSelected = QStringLiteral("BWWWWWWWWWWWWWWWWWWW");

// The buttons' backgrounds: B for the selected light blue, W for white.
QString shades(const frmMacro &w)
{
    QString out;
    for (int i = 1; i <= 20; ++i) {
        const QColor c = w.txtButton[i]->palette().color(QPalette::Base);
        out += c == QColor(192, 192, 255) ? u'B' : c == QColor(Qt::white) ? u'W' : u'?';
    }
    return out;
}

void click(frmMacro &w, int button)
{
    QTest::mouseClick(w.txtButton[button], Qt::LeftButton);
}

using MacroEditorTest = EditorTest;

} // namespace

TEST_F(MacroEditorTest, TheBoxesAreAWorkingCopyOfTheSelectedMacro)
{
    gs.Macros[1] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall\r\n")};
    gs.Macros[3].Name = QStringLiteral("Third");
    gs.Macros[4] = {QStringLiteral("Four"), QStringLiteral("four\r\n")};
    frmMacro w(main().childContext());
    w.show();
    EXPECT_TRUE(w.Changed); // filling the boxes counts as a change
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("Hello\nall\n"));
    EXPECT_EQ(shades(w), FirstSelected);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(w.txtButton[3], &enter);
    EXPECT_EQ(w.txtMacroGuide->text(), QStringLiteral("Third"));

    w.txtMacroName->setText(QStringLiteral("Hi"));
    w.txtMacroText->setPlainText(QStringLiteral("a\nb"));
    click(w, 4);
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Hi"));
    EXPECT_EQ(gs.Macros[1].Text, QStringLiteral("a\r\nb"));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Macro 4"));
    EXPECT_EQ(shades(w), QStringLiteral("WWWBWWWWWWWWWWWWWWWW"));
    w.txtMacroText->setPlainText(QStringLiteral("lost")); // selecting it again undoes
    click(w, 4);
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("four\n"));
}

TEST_F(MacroEditorTest, TextsAndGesturesReachTheFileAndEverySaveTellsWhatIsLost)
{
    gs.MacroFile = path(QStringLiteral("\u03A9.txt"));
    gs.Macros[1] = {QStringLiteral("One"), QStringLiteral("a\u00A0b\r\n")};
    gs.Macros[2] = {QStringLiteral("Two"), QStringLiteral("line one\r\nline two\r\n")};
    gs.Macros[3] = {QStringLiteral("G"), QStringLiteral("ab")};
    gs.Macros[5] = {QStringLiteral("Five"), QStringLiteral("\u03A9 omega\r\n")};
    gs.Macros[6] = {QStringLiteral("Six"), QStringLiteral("a\r\n\r\nb\r\n")};
    gs.Macros[7] = {QStringLiteral("Seven"), QStringLiteral("\r\nlate")};
    gs.Subs[1] = QStringLiteral("\u2192");
    frmMacro w(main().childContext());
    w.show();
    w.mnuSave->trigger();
    QPlainTextEdit *box = w.txtMacroText;
    click(w, 2);
    click(w, 3);
    box->moveCursor(QTextCursor::NextCharacter);
    // F2 to F11 with Shift alone or Ctrl alone; a held key counts once.
    release(box, Qt::Key_F2, Qt::ShiftModifier);
    for (auto mods :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::ControlModifier | Qt::ShiftModifier,
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::MetaModifier | Qt::ShiftModifier})
        release(box, Qt::Key_F2, mods);
    release(box, Qt::Key_F3, Qt::ControlModifier, /*autoRepeat=*/true);
    for (int key = Qt::Key_F2; key <= Qt::Key_F11; ++key)
        release(box, key, key % 2 ? Qt::ShiftModifier : Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); // a break inside the paragraph
    QTest::keyClicks(box, QStringLiteral("y"));
    w.close(); // saved again; the settings file cannot hold the file's name
    const QByteArray bytes = readFile(gs.MacroFile);
    EXPECT_TRUE(bytes.contains("%sub1%=?\r\n"));
    EXPECT_TRUE(bytes.contains("%sub9%=\r\n\r\n[Macro  1 ]\r\nOne\r\na\xA0"
                               "b\r\n\r\n\r\n[Macro  2 ]\r\nTwo\r\nline one\r\nline two\r\n"
                               "\r\n\r\n[Macro  3 ]\r\nG\r\n"
                               "a\xB0\xB0\xB3\xB1\xB2\xB5\xB7\xB8\xB9\xB4\xB6\r\nyb\r\n\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("The macro file cannot hold everything as it stands:\r\n"
                             "%sub1%: characters the file cannot hold are saved as \"?\".\r\n"
                             "Macro 5: characters the file cannot hold are saved as \"?\".\r\n"
                             "Macro 6: the lines after an empty line are lost when the file is "
                             "read again.\r\nMacro 7: the text is not saved because its first "
                             "line is empty or starts with a control character.\r\n"
                             "The file is saved anyway."));
    EXPECT_EQ(dialogs.messages[1].text, dialogs.messages[0].text);
    EXPECT_TRUE(dialogs.messages[2].text.contains(QStringLiteral("Macro file path")));
}

TEST_F(MacroEditorTest, NewAndOpenAskFirstAndNothingIsLostWhenASaveOrOpenFails)
{
    gs.MacroFile = path(QStringLiteral("m.txt"));
    gs.Macros[1] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall\r\n")};
    gs.Macros[4] = {QStringLiteral("Four"), QStringLiteral("old\r\n")};
    gs.Subs[2] = QStringLiteral("x\u00B0");
    frmMacro w(main().childContext());
    w.show();
    click(w, 4);
    w.txtMacroText->setPlainText(QStringLiteral("new")); // in the boxes only
    w.mnuSave->trigger();
    EXPECT_FALSE(w.Changed);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    writeMacros(bytes, gs);
    EXPECT_EQ(readFile(gs.MacroFile), bytes.data());
    EXPECT_TRUE(bytes.data().contains("\r\nFour\r\nold\r\n"));

    QTest::keyClicks(w.txtMacroName, QStringLiteral("!"));
    gs.Subs[3] = QStringLiteral("s3");
    dialogs.answers = {Answer::Cancel, Answer::Yes, Answer::Cancel, Answer::No};
    w.mnuNew->trigger();
    EXPECT_EQ(gs.Subs[2], QStringLiteral("x\u00B0"));
    w.mnuNew->trigger(); // saved, then emptied; the boxes stay
    EXPECT_TRUE(gs.MacroFile.isEmpty() && gs.Subs[2].isEmpty() && gs.Macros[1].Name.isEmpty());
    EXPECT_EQ(w.txtMacroName->text(), QStringLiteral("Four!"));
    EXPECT_FALSE(w.Changed);
    QTest::keyClicks(w.txtMacroName, QStringLiteral("?"));
    dialogs.files.push_back(path(QStringLiteral("m.txt")));
    w.mnuOpen->trigger();
    w.mnuOpen->trigger();
    ASSERT_EQ(dialogs.questions.size(), 4u);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("Save changes to Macro file?"));
    EXPECT_EQ(dialogs.questions[0].title, QStringLiteral("Save Changes"));
    EXPECT_EQ(dialogs.questions[2].title, QStringLiteral("Save Changes?"));
    EXPECT_EQ(gs.Subs[3], QStringLiteral("s3")); // saved before New
    EXPECT_EQ(w.EditIndex, 1);
    EXPECT_EQ(w.txtMacroText->toPlainText(), QStringLiteral("Hello\nall\n"));
    EXPECT_EQ(shades(w), FirstSelected);

    const QString unwritable = path(QStringLiteral("missing/m.txt"));
    const QString gone = path(QStringLiteral("gone.txt"));
    w.mnuSaveAs->trigger(); // cancelled
    dialogs.files = {unwritable, gone};
    dialogs.answers = {Answer::Yes, Answer::No};
    w.mnuSaveAs->trigger();
    w.mnuNew->trigger(); // the save it asks for fails again
    EXPECT_TRUE(w.Changed);
    w.mnuOpen->trigger();
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Greeting"));
    EXPECT_EQ(dialogs.presets, QStringList(2, path(QStringLiteral("m.txt"))));
    EXPECT_EQ(dialogs.filters, QStringList(4, Filter));
    const QString notFound =
        QStringLiteral("Path not found\r\n76\r\nError with file ") + unwritable;
    QStringList told;
    for (const auto &m : dialogs.messages)
        told << m.title + u':' + m.text;
    EXPECT_EQ(told, QStringList({"Program Error:" + notFound, "Program Error:" + notFound,
                                 "Problem with Macro File:Error = 53\r\nFile not found\r\n"
                                 "Problem with Macro file.\r\n" +
                                     gone}));
    EXPECT_EQ(dialogs.busyDepth, 0);
}

TEST_F(MacroEditorTest, TheMenuOpensItAndACancelledSaveAtClosingStillCloses)
{
    frmMain &m = loadedMain();
    m.mnuMacro->trigger();
    EXPECT_FALSE(m.isVisible());
    auto *w = shownWindow<frmMacro>("frmMacro");
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Changed); // an empty macro 1 leaves the boxes as they were
    QTest::keyClicks(w->txtMacroName, QStringLiteral("Named"));
    w->mnuExit->trigger(); // no file: the save dialog, cancelled
    deleteClosed();
    EXPECT_EQ(shownWindow<frmMacro>("frmMacro"), nullptr);
    EXPECT_EQ(dialogs.presets, QStringList{QString()});
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(readFile(ini()).contains("\r\nMacroFile=\r\n"));
}
