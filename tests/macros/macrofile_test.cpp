#include "game/failure.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"
#include "support/scripteddialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs the reader over bytes; the failure's number, or 0.
int read(const QByteArray &bytes, GameState &gs)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        readMacros(buffer, gs);
    } catch (const Failure &f) {
        return f.number();
    }
    return 0;
}

QByteArray written(const GameState &gs)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeMacros(buffer, gs);
    return buffer.data();
}

} // namespace

TEST(MacroFile, WriterProducesExactBytes)
{
    GameState gs;
    gs.Subs[0] = QStringLiteral("zero");
    gs.Subs[4] = QStringLiteral("\u00B0x");
    gs.Subs[10] = QStringLiteral("never written");
    gs.Macros[0] = {QStringLiteral("None"), QStringLiteral("no button")};
    gs.Macros[1] = {QString(), QStringLiteral("Hi there")}; // nameless
    gs.Macros[3] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall\r\n")};
    gs.Macros[5] = {QStringLiteral("Blank"), QString()};
    gs.Macros[6] = {QStringLiteral("Space"), QStringLiteral(" ")};
    gs.Macros[7] = {QStringLiteral("Lead"), QStringLiteral("\r\nhidden")};
    gs.Macros[12] = {QStringLiteral("Deg"), QStringLiteral("\u00B0!")};
    gs.Macros[20] = {QStringLiteral("Last"), QStringLiteral("  two")};
    EXPECT_EQ(written(gs),
              "[Substitutions]\r\n%sub0%=zero\r\n%sub1%=\r\n%sub2%=\r\n%sub3%=\r\n%sub4%=\xB0x\r\n"
              "%sub5%=\r\n%sub6%=\r\n%sub7%=\r\n%sub8%=\r\n%sub9%=\r\n\r\n"
              "[Macro  1 ]\r\nMacro 1\r\nHi there\r\n\r\n[Macro  2 ]\r\n\r\n"
              "[Macro  3 ]\r\nGreeting\r\nHello\r\nall\r\n\r\n\r\n[Macro  4 ]\r\n\r\n"
              "[Macro  5 ]\r\n\r\n[Macro  6 ]\r\n\r\n[Macro  7 ]\r\n\r\n[Macro  8 ]\r\n\r\n"
              "[Macro  9 ]\r\n\r\n[Macro  10 ]\r\n\r\n[Macro  11 ]\r\n\r\n"
              "[Macro  12 ]\r\nDeg\r\n\xB0!\r\n\r\n[Macro  13 ]\r\n\r\n[Macro  14 ]\r\n\r\n"
              "[Macro  15 ]\r\n\r\n[Macro  16 ]\r\n\r\n[Macro  17 ]\r\n\r\n[Macro  18 ]\r\n\r\n"
              "[Macro  19 ]\r\n\r\n[Macro  20 ]\r\nLast\r\n  two\r\n\r\n[End Macros]\r\n\r\n");
}

TEST(MacroFile, ReadingRules)
{
    GameState gs;
    gs.Macros[4] = {QStringLiteral("keep"), QStringLiteral("kept\r\n")};
    gs.Macros[7] = {QStringLiteral("old"), QStringLiteral("old text")};
    gs.Subs[2] = QStringLiteral("kept");
    ASSERT_EQ(read("junk\r\n[substitutions] x\r\n%sub0%=a = b \r\n%SUB3%:colon\r\n%sub10%=no\r\n"
                   "   \r\n%sub9%\r\n\r\n%sub1%=outside\r\n"
                   "[Macro 3]\r\nGreeting\r\nHello\r\nall\r\n\r\n"
                   "[macro  7 ]\r\n\r\n"                          // no name: no text
                   "[Macro 0]\r\nZero\r\nz\r\n\r\n"               // accepted, has no button
                   "[Macro 9]\r\nCut\r\nfirst\r\n\r\nsecond\r\n"  // scanned as structure
                   "[macro 21]\r\n[Macro 10]\r\nTen\r\nt\r\n\r\n" // 21 ends the section
                   "[End Macros]\r\n\r\n",
                   gs),
              0);
    EXPECT_EQ(gs.Subs[0], QStringLiteral("a = b "));
    EXPECT_EQ(gs.Subs[3], QStringLiteral("colon"));
    EXPECT_TRUE(gs.Subs[9].isEmpty() && gs.Subs[1].isEmpty() && gs.Subs[10].isEmpty());
    EXPECT_EQ(gs.Subs[2], QStringLiteral("kept"));
    EXPECT_EQ(gs.Macros[3].Name, QStringLiteral("Greeting"));
    EXPECT_EQ(gs.Macros[3].Text, QStringLiteral("Hello\r\nall\r\n"));
    EXPECT_EQ(gs.Macros[7].Name, QStringLiteral("Macro 7"));
    EXPECT_TRUE(gs.Macros[7].Text.isEmpty());
    EXPECT_EQ(gs.Macros[0].Name, QStringLiteral("Zero"));
    EXPECT_EQ(gs.Macros[9].Text, QStringLiteral("first\r\n"));
    EXPECT_EQ(gs.Macros[10].Text, QStringLiteral("t\r\n")); // a new section after scanning
    EXPECT_EQ(gs.Macros[4].Text, QStringLiteral("kept\r\n"));

    // "[end" takes one more line with it; after macro 20 the section is over.
    GameState end;
    ASSERT_EQ(read("[Macro 1]\n\n[End]\n[Substitutions]\n%sub1%=lost\n\n"
                   "[Macro 20]\nT\nt\n\n[Macro 5]\nFive\nf\n\n",
                   end),
              0);
    EXPECT_EQ(end.Macros[1].Name, QStringLiteral("Macro 1"));
    EXPECT_TRUE(end.Subs[1].isEmpty());
    EXPECT_EQ(end.Macros[20].Text, QStringLiteral("t\r\n"));
    EXPECT_TRUE(end.Macros[5].Name.isEmpty());
}

TEST(MacroFile, BadFilesFailAndKeepWhatWasRead)
{
    const std::pair<QByteArray, int> cases[] = {
        {"[Macro 3\r\nA\r\n\r\n", 5},
        {"[Macros]\r\nA\r\n\r\n", ErrTypeMismatch},
        {"[Macro]\r\nA\r\n\r\n", ErrTypeMismatch},
        {"[Macro -1]\r\nA\r\n\r\n", ErrSubscript},
        {"[Macro 99999]\r\nA\r\n\r\n", ErrOverflow},
        {"[Macro 1]\r\nA\r\na\r\n\r\n", ErrInputPastEnd},
        {"[Macro 1]\r\n[End]", ErrInputPastEnd},
        {"[End]", 0},
    };
    for (const auto &[bytes, number] : cases) {
        GameState gs;
        EXPECT_EQ(read(bytes, gs), number) << bytes.toStdString();
    }
    GameState gs;
    EXPECT_EQ(read("[Substitutions]\r\n%sub0%=a\r\n[Macro 1]\r\nB\r\nb", gs), ErrInputPastEnd);
    EXPECT_EQ(gs.Subs[0], QStringLiteral("a"));

    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 131 + 7) % 256);
    const QByteArray big(4 * 1024 * 1024, 'm');
    ASSERT_EQ(read(junk + "\r\n[Macro 1]\r\nBig\r\n" + big + "\r\n\r\n[End]\r\n\r\n", gs), 0);
    EXPECT_EQ(gs.Macros[1].Text.size(), big.size() + 2);
}

TEST(MacroFile, RoundTripIsStable)
{
    GameState gs;
    for (int n = 0; n < SubCount; ++n)
        gs.Subs[n] = QStringLiteral(" sub\u00B0 ") + QString::number(n);
    gs.Macros[1] = {QStringLiteral("Greeting"), QStringLiteral("Hello\r\nall")};
    gs.Macros[2] = {QStringLiteral("Named only"), QString()};
    gs.Macros[3] = {QString(), QStringLiteral("no name")};
    gs.Macros[20] = {QStringLiteral("[macro 5]"), QStringLiteral("[end]\r\n%sub1%\r\n")};
    GameState back;
    ASSERT_EQ(read(written(gs), back), 0);
    EXPECT_EQ(back.Subs, gs.Subs);
    EXPECT_EQ(back.Macros[1].Text, QStringLiteral("Hello\r\nall\r\n"));
    EXPECT_EQ(back.Macros[2].Name, QStringLiteral("Macro 2"));
    EXPECT_EQ(back.Macros[3].Name, QStringLiteral("Macro 3"));
    EXPECT_EQ(back.Macros[3].Text, QStringLiteral("no name\r\n")); // the text survives
    EXPECT_EQ(back.Macros[20].Name, gs.Macros[20].Name);
    EXPECT_EQ(back.Macros[20].Text, gs.Macros[20].Text);
    GameState again;
    ASSERT_EQ(read(written(back), again), 0);
    EXPECT_EQ(written(again), written(back));
}

TEST(MacroFile, ReaderAndWriterOnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScriptedDialogs dialogs;
    GameState gs;
    gs.Macros[1].Name = QStringLiteral("x");
    MacroWriter(gs, dialogs); // no macro file: nothing is touched
    MacroReader(gs, dialogs);
    EXPECT_EQ(dialogs.busyCalls, 0);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    gs.MacroFile = dir.filePath(QStringLiteral("m.txt"));
    gs.Subs[1] = QStringLiteral("one");
    MacroWriter(gs, dialogs);
    GameState back;
    back.MacroFile = gs.MacroFile;
    MacroReader(back, dialogs);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(back.Subs[1], QStringLiteral("one"));
    EXPECT_EQ(dialogs.busyCalls, 2);

    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const QString broken = dir.filePath(QStringLiteral("broken.txt"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Substitutions]\r\n%sub2%=two\r\n");
    file.close();
    for (const QString &path : {missing, dir.path(), broken}) {
        back.MacroFile = path;
        MacroReader(back, dialogs);
        EXPECT_EQ(dialogs.busyDepth, 0);
    }
    EXPECT_EQ(back.Subs[2], QStringLiteral("two"));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    const QString tail = QStringLiteral("\r\nProblem with Macro file.\r\n");
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Error = 53\r\nFile not found") + tail + missing);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Problem with Macro File"));
    EXPECT_TRUE(dialogs.messages[1].text.startsWith(QStringLiteral("Error = 75\r\n")));
    EXPECT_EQ(dialogs.messages[2].text,
              QStringLiteral("Error = 62\r\nInput past end of file") + tail + broken);

    gs.MacroFile = dir.filePath(QStringLiteral("none/m.txt"));
    MacroWriter(gs, dialogs);
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[3].text,
              QStringLiteral("Path not found\r\n76\r\nError with file ") + gs.MacroFile);
    EXPECT_EQ(dialogs.messages[3].title, QStringLiteral("Program Error"));
}
