#include "macroeditor/frmmacro.h"
#include "macroeditor/frmsubs.h"

#include "files/linereader.h"
#include "game/gamefiles.h"

#include "support/sessionrig.h"

#include <QPlainTextEdit>
#include <QTest>

using Answer = HostDialogs::Answer;
using EditorTest = ChildWindowTest;

// A save cancelled at closing still closes.
TEST_F(EditorTest, TheBoxesAreAWorkingCopyOfTheSelectedMacro)
{
    startSession();
    gs.Macros[1] = {u"Greeting"_qs, u"Hello\r\nall\r\n"_qs};
    gs.Macros[4] = {u"Four"_qs, u"four\r\n"_qs};
    auto *w = open<frmMacro>(createMacroEditor(childContext()));
    EXPECT_EQ(w->txtMacroText->toPlainText(), u"Hello\nall\n"_qs);
    w->txtMacroName->setText(u"Hi"_qs);
    w->txtMacroText->setPlainText(u"a\nb"_qs);
    QTest::mouseClick(w->txtButton[4], Qt::LeftButton);
    EXPECT_EQ(gs.Macros[1].Name + u'|' + gs.Macros[1].Text, u"Hi|a\r\nb"_qs);
    w->txtMacroText->setPlainText(u"lost"_qs); // selecting it again undoes
    QTest::mouseClick(w->txtButton[4], Qt::LeftButton);
    EXPECT_EQ(w->txtMacroText->toPlainText(), u"four\n"_qs);

    w->mnuExit->trigger(); // no file: the save dialog, cancelled
    deleteClosed();
    EXPECT_FALSE(shown<frmMacro>());
    EXPECT_EQ(dialogs.presets, QStringList{QString()});
    EXPECT_TRUE(bytesOf(ini()).contains("\r\nMacroFile=\r\n"));
}

TEST_F(EditorTest, GesturesGoInOnceAndEverySaveTellsWhatTheFileLoses)
{
    gs.MacroFile = path(u"\u03A9.txt"_qs);
    gs.Macros[1] = {u"G"_qs, u"ab"_qs};
    gs.Macros[5] = {u"Five"_qs, u"\u03A9 omega\r\n"_qs};
    gs.Macros[6] = {u"Six"_qs, u"a\r\n\r\nb\r\n"_qs};
    gs.Macros[7] = {u"Seven"_qs, u"\r\nlate"_qs};
    frmMacro w(childContext());
    w.show();
    QPlainTextEdit *box = w.txtMacroText;
    box->moveCursor(QTextCursor::NextCharacter);
    // F2 to F11 with Shift alone or Ctrl alone; a held key counts once.
    for (auto mods :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::ControlModifier | Qt::ShiftModifier,
          Qt::KeyboardModifiers(Qt::AltModifier), Qt::MetaModifier | Qt::ShiftModifier})
        release(box, Qt::Key_F2, mods);
    release(box, Qt::Key_F3, Qt::ControlModifier, /*autoRepeat=*/true);
    for (int key = Qt::Key_F2; key <= Qt::Key_F11; ++key)
        release(box, key, key % 2 ? Qt::ShiftModifier : Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); // a break inside the paragraph
    w.close(); // saved; the settings file cannot hold the file's name
    EXPECT_TRUE(bytesOf(gs.MacroFile)
                    .contains("\r\n[Macro  1 ]\r\nG\r\na\xB0\xB3\xB1\xB2\xB5\xB7\xB8\xB9\xB4\xB6"
                              "\r\nb\r\n\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text,
              u"The macro file cannot hold everything as it stands:\r\n"
              "Macro 5: characters the file cannot hold are saved as \"?\".\r\n"
              "Macro 6: the lines after an empty line are lost when the file is read again.\r\n"
              "Macro 7: the text is not saved because its first line is empty or starts with a "
              "control character.\r\nThe file is saved anyway."_qs);
    EXPECT_TRUE(dialogs.messages[1].text.contains(u"Macro file path"_qs));
}

// A save the host asked for and that failed must not be followed by
// throwing the macros away.
TEST_F(EditorTest, NewAndOpenAskToSaveFirstAndAFailedSaveOrOpenLosesNothing)
{
    gs.MacroFile = path(u"m.txt"_qs);
    gs.Macros[1] = {u"Greeting"_qs, u"Hello\r\n"_qs};
    gs.Subs[2] = u"x"_qs;
    frmMacro w(childContext());
    w.show();
    dialogs.answers = {Answer::Cancel, Answer::Yes, Answer::Cancel, Answer::No};
    w.mnuNew->trigger();
    EXPECT_EQ(gs.Subs[2], u"x"_qs);
    gs.Subs[3] = u"s3"_qs;
    w.mnuNew->trigger(); // saved, then emptied; the boxes stay
    EXPECT_TRUE(gs.MacroFile.isEmpty() && gs.Subs[2].isEmpty() && gs.Macros[1].Name.isEmpty());
    QTest::keyClicks(w.txtMacroName, u"?"_qs);
    dialogs.files.push_back(path(u"m.txt"_qs));
    w.mnuOpen->trigger();
    w.mnuOpen->trigger();
    ASSERT_EQ(dialogs.questions.size(), 4u);
    EXPECT_EQ(dialogs.questions[0].text, u"Save changes to Macro file?"_qs);
    EXPECT_EQ(gs.Subs[3], u"s3"_qs); // saved before New
    EXPECT_EQ(w.txtMacroText->toPlainText(), u"Hello\n"_qs);

    dialogs.files = {path(u"missing/m.txt"_qs), path(u"gone.txt"_qs)};
    dialogs.answers = {Answer::Yes, Answer::No};
    w.mnuSaveAs->trigger();
    w.mnuNew->trigger(); // the save it asks for fails again
    EXPECT_TRUE(w.Changed);
    w.mnuOpen->trigger();
    EXPECT_EQ(gs.Macros[1].Name, u"Greeting"_qs);
    ASSERT_EQ(dialogs.messages.size(), 3u); // each failure told
    EXPECT_EQ(dialogs.messages[2].title, u"Problem with Macro File"_qs);
    EXPECT_EQ(dialogs.busyDepth, 0);
}

TEST_F(EditorTest, EditsGoIntoSubsAtOnceAndClosingWritesTheMacroFileIfNamed)
{
    gs.Macros[2] = {u"Two"_qs, u"2\r\n"_qs};
    gs.Subs[0] = u"ab"_qs;
    for (bool named : {false, true}) {
        gs.MacroFile = named ? path(u"m.txt"_qs) : QString();
        auto *w = open<frmSubs>(createSubsEditor(gs, dialogs));
        QTest::keyClicks(w->txtSub[3], u"n"_qs);
        EXPECT_EQ(gs.Subs[3], QString(named + 1, u'n'));
        w->txtSub[6]->setText(u"\u03A9"_qs);
        w->txtSub[0]->setSelection(0, 1);
        release(w->txtSub[0], Qt::Key_F4, Qt::ShiftModifier); // a gesture for the selection
        release(w->txtSub[0], Qt::Key_F4, Qt::ShiftModifier, /*autoRepeat=*/true);
        EXPECT_EQ(gs.Subs[0], u"\u00B1b"_qs);
        w->close();
    }
    EXPECT_TRUE(bytesOf(gs.MacroFile)
                    .startsWith("[Substitutions]\r\n%sub0%=\xB1"
                                "b\r\n%sub1%=\r\n%sub2%=\r\n%sub3%=nn\r\n%sub4%=\r\n%sub5%=\r\n"
                                "%sub6%=?\r\n%sub7%=\r\n%sub8%=\r\n%sub9%=\r\n\r\n"
                                "[Macro  1 ]\r\n\r\n[Macro  2 ]\r\nTwo\r\n2\r\n\r\n\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 1u); // told before writing, and only with a file
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"%sub6%"_qs));
}

// What the reader would refuse, which would lose every macro after it at the
// next start, is not written: the file keeps what it held, and a Save As
// keeps the name of the file that holds it. Up to the reader's limits the
// file comes back whole.
TEST_F(EditorTest, ASaveTheReaderWouldRefuseKeepsTheFile)
{
    const QByteArray held = "[Macro 1]\r\nOld\r\nold\r\n\r\n";
    gs.MacroFile = writeFile(u"m.txt"_qs, held);
    frmMacro w(childContext());
    w.show();
    const QString longest(LineReader::MaxLineBytes, u'x');
    gs.Macros[2] = {u"Two"_qs, u"a\r\n"_qs + longest + u"y\r\n\r\nb"_qs};
    w.mnuSave->trigger();
    dialogs.files = {path(u"new.txt"_qs)};
    w.mnuSaveAs->trigger();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text,
              u"The macro file cannot hold everything as it stands:\r\n"
              "Macro 2: a line longer than 65536 characters, which the file cannot take back.\r\n"
              "Macro 2: the lines after an empty line are lost when the file is read again.\r\n"
              "The file is not saved, so it keeps what it held: shorten what is named, then "
              "save again."_qs);
    EXPECT_EQ(bytesOf(gs.MacroFile), held);
    EXPECT_TRUE(gs.MacroFile.endsWith(u"/m.txt"_qs) && !QFile::exists(path(u"new.txt"_qs)));

    for (int i = 1; i <= MacroCount; ++i)
        gs.Macros[i] = {QString::number(i), (longest + u"\r\n"_qs).repeated(3)};
    w.mnuSave->trigger();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    GameState back;
    back.MacroFile = gs.MacroFile;
    MacroReader(back, dialogs);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    for (int i = 1; i <= MacroCount; ++i)
        EXPECT_TRUE(back.Macros[i].Name == gs.Macros[i].Name &&
                    back.Macros[i].Text == gs.Macros[i].Text)
            << i;
    const QByteArray written = bytesOf(gs.MacroFile);
    gs.Subs.fill(QString(30000, u's'));
    w.mnuSave->trigger();
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_TRUE(dialogs.messages[2].text.contains(
        u"\r\nThe whole file: 4232827 bytes, more than the 4194304 it can take back.\r\n"_qs))
        << dialogs.messages[2].text.toStdString();
    EXPECT_EQ(bytesOf(gs.MacroFile), written);
}
