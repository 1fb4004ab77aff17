#include "files/settingsfile.h"
#include "game/failure.h"
#include "game/gamestate.h"
#include "support/scripteddialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

// Runs the reader over bytes; the failure's number, or 0.
int read(
    const QByteArray &bytes, GameState &gs, const std::function<void()> &onMacroFile = [] {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        readSettings(buffer, gs, onMacroFile);
    } catch (const Failure &f) {
        return f.number();
    }
    return 0;
}

QByteArray written(const GameState &gs, double left, double top)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeSettings(buffer, gs, left, top);
    return buffer.data();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(SettingsFile, WriterProducesExactBytes)
{
    GameState gs;
    gs.Delay = 2;
    gs.Auto = 15;
    gs.OnTop = true;
    gs.BoxLeft = -120;
    gs.BoxTop = 3000;
    gs.RegChar = QChar(0xB0);
    gs.Sorry = QStringLiteral("  Nope \u00B0  ");
    gs.WTG = QStringLiteral("WTG!");
    gs.CalldownMSG = QStringLiteral("Your turn");
    gs.Calldown = true;
    gs.MacroFile = QStringLiteral("/tmp/m.txt");
    gs.MainLeft = 77; // the window's edges are written, not this
    gs.Boxes[0].InDefault = gs.Boxes[9].InDefault = true;
    gs.Boxes[4].Available = true;
    EXPECT_EQ(written(gs, 1234.5, 100000),
              "[Settings]\r\nDelay= 2 \r\nAuto= 15 \r\nLeft= 1234.5 \r\nTop= 32767 \r\n"
              "OnTop=True\r\nBoxLeft=-120 \r\nBoxTop= 3000 \r\nRegChar=\xB0\r\nConfirm=False\r\n"
              "Sorry=  Nope \xB0  \r\nWTG=WTG!\r\nCalldownMSG=Your turn\r\nCalldown=True\r\n"
              "MacroFile=/tmp/m.txt\r\n\r\n[Boxes]\r\n 0 =True\r\n 1 =False\r\n 2 =False\r\n"
              " 3 =False\r\n 4 =False\r\n 5 =False\r\n 6 =False\r\n 7 =False\r\n 8 =False\r\n"
              " 9 =True\r\n\r\n");
    EXPECT_TRUE(written(gs, -40000.25, 32767.75).contains("\nLeft=-32768 \r\nTop= 32767 \r\n"));
    EXPECT_TRUE(written(gs, std::numeric_limits<double>::quiet_NaN(), -0.0)
                    .contains("\nLeft= 0 \r\nTop= 0 \r\n"));
}

TEST(SettingsFile, ReadingRules)
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
    const QByteArray file = "[Setting]\r\ndelay=1\r\n\r\n" // not a header
                            "[SETTINGS] anything here\r\nDELAY=1\r\n"
                            "TopX-5\r\n" // any separator, even a letter
                            "RegChar=!?\r\nCalldownMSG=Go\r\nsorry=  two  \r\n"
                            "   \r\n" // not empty
                            "ontop=TRUE\r\nmacrofile=C:\\m.txt\r\nboxtop= 2.5 \r\ndelay=2\r\n\r\n"
                            "[other]\r\nauto=15\r\n" // skipped
                            "[Boxes] x\r\n 3 =True\r\n0=-1\r\nno equals sign\r\n5=false\r\n\r\n";
    ASSERT_EQ(read(file, gs, onMacroFile), 0);
    EXPECT_EQ(macroCalls, 1);
    EXPECT_EQ(gs.Delay, 2);
    EXPECT_EQ(gs.Auto, 0);
    EXPECT_EQ(gs.MainTop, -5);
    EXPECT_EQ(gs.BoxTop, 2);
    EXPECT_EQ(gs.RegChar, QStringLiteral("!"));
    EXPECT_EQ(gs.CalldownMSG, QStringLiteral("Go"));
    EXPECT_FALSE(gs.Calldown);
    EXPECT_EQ(gs.Sorry, QStringLiteral("  two  "));
    EXPECT_EQ(gs.WTG, QStringLiteral("WTG %player%! %word% is a match"));
    EXPECT_TRUE(gs.OnTop && gs.Confirm);
    for (int i : {0, 3})
        EXPECT_TRUE(gs.Boxes[i].InDefault && gs.Boxes[i].Available) << i;
    EXPECT_FALSE(gs.Boxes[5].InDefault || gs.Boxes[5].Available);

    // No [settings] section: no defaults. LF alone ends lines.
    GameState bare;
    ASSERT_EQ(read("[boxes]\n1=1\n\n", bare), 0);
    EXPECT_TRUE(bare.Boxes[1].InDefault);
    EXPECT_TRUE(bare.RegChar.isEmpty() && !bare.Confirm);
    EXPECT_TRUE(bare.Sorry.isEmpty());
    ASSERT_EQ(read("[settings]\ncalldown=-1\nregchar=\n\n", bare), 0);
    EXPECT_TRUE(bare.Calldown);
    EXPECT_TRUE(bare.RegChar.isEmpty());
    EXPECT_EQ(bare.CalldownMSG, QStringLiteral("It's your turn to play"));
}

TEST(SettingsFile, BadFilesFail)
{
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 131 + 7) % 256);
    const std::pair<QByteArray, int> cases[] = {
        {"[settings]\r\ndelay=3\r\n", ErrInputPastEnd},
        {"[settings]", ErrInputPastEnd},
        {"[boxes]\r\n1=True", ErrInputPastEnd},
        {"[settings]\r\nleft=40000\r\n\r\n", ErrOverflow},
        {"[settings]\r\ndelay\r\n\r\n", ErrTypeMismatch},
        {"[settings]\r\nontop=yes\r\n\r\n", ErrTypeMismatch},
        {"[boxes]\r\n10=True\r\n\r\n", ErrSubscript},
        {"[boxes]\r\n-1=True\r\n\r\n", ErrSubscript},
        {"[boxes]\r\n=True\r\n\r\n", ErrTypeMismatch},
        {"[boxes]\r\n2=maybe\r\n\r\n", ErrTypeMismatch},
        {"[settings]\r\ndelay=" + junk + "\r\n\r\n", ErrTypeMismatch},
        {junk, 0}, // no header: skipped
    };
    for (const auto &[bytes, number] : cases) {
        GameState gs;
        EXPECT_EQ(read(bytes, gs), number) << bytes.left(40).toStdString();
    }
    GameState huge;
    const QByteArray big(4 * 1024 * 1024, 'w');
    ASSERT_EQ(read("[settings]\r\nsorry=" + big + "\r\n\r\n", huge), 0);
    EXPECT_EQ(huge.Sorry.size(), big.size());
}

TEST(SettingsFile, RoundTrip)
{
    GameState gs;
    gs.Delay = 3;
    gs.Auto = 60;
    gs.BoxLeft = -32768;
    gs.BoxTop = 32767;
    gs.OnTop = true;
    gs.RegChar = QChar(0xB0);
    gs.Sorry = QStringLiteral(" a = b ");
    gs.CalldownMSG = QStringLiteral("x");
    gs.Calldown = true;
    gs.Boxes[7].InDefault = true;
    GameState back;
    ASSERT_EQ(read(written(gs, 1500.5, -1e6), back), 0);
    EXPECT_EQ(back.MainLeft, 1500);
    EXPECT_EQ(back.MainTop, -32768);
    back.MainLeft = back.MainTop = 0;
    EXPECT_EQ(written(back, 1500.5, -1e6), written(gs, 1500.5, -1e6));
    EXPECT_TRUE(back.WTG.isEmpty() && !back.Confirm);
    EXPECT_TRUE(back.Boxes[7].Available);
}

TEST(SettingsFile, OnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = settingsPath(dir.path());
    EXPECT_EQ(ini, dir.path() + QStringLiteral("/orvella.ini"));
    ScriptedDialogs dialogs;
    GameState gs;
    EXPECT_TRUE(SettingsReader(gs, dialogs, dir.path())); // missing: silent, nothing changes
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(gs.RegChar.isEmpty());

    const QByteArray faulty = "[settings]\r\nleft=40000\r\n\r\n";
    put(ini, faulty);
    EXPECT_FALSE(SettingsReader(gs, dialogs, dir.path()));
    put(ini, "[settings]\r\ndelay=1\r\n");
    EXPECT_FALSE(SettingsReader(gs, dialogs, dir.path()));
    QTemporaryDir blocked; // a folder where the file should be
    ASSERT_TRUE(QDir(blocked.path()).mkdir(QStringLiteral("orvella.ini")));
    EXPECT_FALSE(SettingsReader(gs, dialogs, blocked.path()));
    EXPECT_FALSE(SettingsReader(gs, dialogs, dir.filePath(QStringLiteral("none"))));
    ASSERT_EQ(dialogs.messages.size(), 4u);
    const QString tail = QStringLiteral("\r\nError with file orvella.ini");
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Overflow\r\n6") + tail);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Program Exiting"));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Input past end of file\r\n62") + tail);
    EXPECT_EQ(dialogs.messages[2].text, QStringLiteral("Path/File access error\r\n75") + tail);
    EXPECT_EQ(dialogs.messages[3].text, QStringLiteral("Path not found\r\n76") + tail);

    // The writer replaces the file whole; failures are told and change nothing.
    SettingsWriter(gs, dialogs, dir.path(), 10, 20);
    EXPECT_EQ(contents(ini), written(gs, 10, 20));
    SettingsWriter(gs, dialogs, blocked.path(), 0, 0);
    SettingsWriter(gs, dialogs, dir.filePath(QStringLiteral("none")), 0, 0);
    ASSERT_EQ(dialogs.messages.size(), 6u);
    EXPECT_EQ(dialogs.messages[4].title, QStringLiteral("Program Error"));
    EXPECT_TRUE(QFileInfo(settingsPath(blocked.path())).isDir());
    EXPECT_EQ(dialogs.messages[5].text, QStringLiteral("Path not found\r\n76") + tail);
    EXPECT_EQ(dialogs.messages[5].title, QStringLiteral("Program Error"));

    // The macro file it names is read, and its failure is its own message.
    const QString macros = dir.filePath(QStringLiteral("m.txt"));
    put(macros, "[Macro 2]\r\nHi\r\nhello\r\n\r\n[End]\r\n\r\n");
    put(ini, "[Settings]\r\nMacroFile=" + macros.toLocal8Bit() + "\r\n\r\n");
    EXPECT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    EXPECT_EQ(gs.Macros[2].Name, QStringLiteral("Hi"));
    put(macros, "[Macro 2");
    EXPECT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    ASSERT_EQ(dialogs.messages.size(), 7u);
    EXPECT_EQ(dialogs.messages[6].title, QStringLiteral("Problem with Macro File"));
    EXPECT_EQ(dialogs.busyDepth, 0);
}
