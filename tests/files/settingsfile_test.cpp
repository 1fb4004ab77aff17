#include "bytesio.h"
#include "files/settingsfile.h"
#include "game/gamestate.h"
#include "support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int read(
    const QByteArray &bytes, GameState &gs, const std::function<void()> &onMacroFile = [] {})
{
    BytesIn in(bytes);
    return failureOf([&] { readSettings(in, gs, onMacroFile); });
}

QByteArray written(const GameState &gs, double left, double top)
{
    return writtenBy([&](QIODevice &out) { writeSettings(out, gs, left, top); });
}

} // namespace

TEST(SettingsFile, ReadingRulesTheWrittenBytesAndBadFiles)
{
    GameState gs;
    gs.Auto = 30;
    gs.MacroFile = QStringLiteral("old");
    gs.Boxes[5].InDefault = gs.Boxes[5].Available = true;
    int macroCalls = 0;
    const auto onMacroFile = [&] {
        ++macroCalls;
        EXPECT_EQ(gs.MacroFile, QStringLiteral("C:\\m.txt"));
        EXPECT_EQ(gs.BoxTop, 0); // the lines after it are not read yet
    };
    const QByteArray file =
        "[Setting]\r\ndelay=1\r\n\r\n" // not a header
        "[SETTINGS] anything here\r\nDELAY=1\r\n"
        "TopX-5\r\n" // any separator, even a letter
        "RegChar=\xB0?\r\nCalldownMSG=Go\r\ncalldown=-1\r\nsorry=  a = \xB5 \r\n"
        "   \r\n" // not empty
        "ontop=TRUE\r\nmacrofile=C:\\m.txt\r\nboxtop= 3.5 \r\nboxleft=-120\r\n"
        "delay=2\r\n\r\n"
        "[other]\r\nauto=15\r\n" // skipped
        "[Boxes] x\r\n 3 =True\r\n0=-1\r\nno equals sign\r\n9=1\r\n5=false\r\n\r\n";
    ASSERT_EQ(read(file, gs, onMacroFile), 0);
    EXPECT_EQ(macroCalls, 1);
    EXPECT_EQ(gs.MainTop, -5);
    EXPECT_TRUE(gs.Boxes[0].Available && !gs.Boxes[5].Available);
    // The window's edges are written, not MainLeft and MainTop.
    const QByteArray bytes = written(gs, 1234.5, 100000);
    EXPECT_EQ(bytes,
              "[Settings]\r\nDelay= 2 \r\nAuto= 0 \r\nLeft= 1234.5 \r\nTop= 32767 \r\n"
              "OnTop=True\r\nBoxLeft=-120 \r\nBoxTop= 4 \r\nRegChar=\xB0\r\nConfirm=True\r\n"
              "Sorry=  a = \xB5 \r\nWTG=WTG %player%! %word% is a match\r\nCalldownMSG=Go\r\n"
              "Calldown=True\r\nMacroFile=C:\\m.txt\r\n\r\n[Boxes]\r\n 0 =True\r\n 1 =False\r\n"
              " 2 =False\r\n 3 =True\r\n 4 =False\r\n 5 =False\r\n 6 =False\r\n 7 =False\r\n"
              " 8 =False\r\n 9 =True\r\n\r\n");
    EXPECT_TRUE(written(gs, -40000.25, 32767.75).contains("\nLeft=-32768 \r\nTop= 32767 \r\n"));
    GameState back;
    ASSERT_EQ(read(bytes, back), 0);
    EXPECT_EQ(back.MainLeft, 1234);
    EXPECT_EQ(written(back, 1234.5, 100000), bytes);

    // No [settings] section: no defaults. LF alone ends lines.
    GameState bare;
    ASSERT_EQ(read("[boxes]\n1=1\n\n", bare), 0);
    EXPECT_TRUE(bare.Boxes[1].InDefault && bare.Boxes[1].Available);
    EXPECT_TRUE(bare.RegChar.isEmpty() && !bare.Confirm && bare.Sorry.isEmpty());
    bare.MacroFile = QStringLiteral("old.mac"); // the defaults name no macro file
    ASSERT_EQ(read("[settings]\nregchar=\n\n", bare), 0);
    EXPECT_TRUE(bare.RegChar.isEmpty() && bare.MacroFile.isEmpty());
    EXPECT_EQ(bare.CalldownMSG, QStringLiteral("It's your turn to play"));

    // Bad files fail; bytes before any header are skipped.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    const std::pair<QByteArray, int> cases[] = {
        {"[settings]\r\ndelay=3\r\n", ErrInputPastEnd},
        {"[boxes]\r\n1=True", ErrInputPastEnd},
        {"[settings]\r\ndelay\r\n\r\n", ErrTypeMismatch},
        {"[settings]\r\ndelay=" + junk + "\r\n\r\n", ErrTypeMismatch},
        {"[boxes]\r\n10=True\r\n\r\n", ErrSubscript},
        {"[boxes]\r\n-1=True\r\n\r\n", ErrSubscript},
        {"[boxes]\r\n2=maybe\r\n\r\n", ErrTypeMismatch},
        {junk, 0},
    };
    for (const auto &[bytes, number] : cases)
        EXPECT_EQ(read(bytes, bare), number) << bytes.left(40).toStdString();
}

// A missing or broken file at start-up and a writer that fails are the
// window's and the disk tests' business.
TEST(SettingsFile, AFolderWhereTheFileShouldBeAndTheMacroFileItNames)
{
    QTemporaryDir dir, blocked;
    ASSERT_TRUE(QDir(blocked.path()).mkdir(QStringLiteral("orvella.ini")));
    ScriptedDialogs dialogs;
    GameState gs;
    EXPECT_FALSE(SettingsReader(gs, dialogs, blocked.path()));
    EXPECT_FALSE(SettingsReader(gs, dialogs, dir.filePath(QStringLiteral("none"))));
    QStringList told;
    for (const auto &m : dialogs.messages)
        told << m.title + u':' + m.text;
    const QString tail = QStringLiteral("\r\nError with file orvella.ini");
    EXPECT_EQ(told, QStringList({"Program Exiting:Path/File access error\r\n75" + tail,
                                 "Program Exiting:Path not found\r\n76" + tail}));

    // The macro file it names is read, and its failure is its own message.
    const auto put = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QString macros = dir.filePath(QStringLiteral("m.txt"));
    put(macros, "[Macro 2");
    put(settingsPath(dir.path()), "[Settings]\r\nMacroFile=" + macros.toLocal8Bit() + "\r\n\r\n");
    EXPECT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    EXPECT_EQ(dialogs.messages.back().title, QStringLiteral("Problem with Macro File"));
}
