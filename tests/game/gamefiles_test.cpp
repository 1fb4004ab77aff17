#include "files/settingsfile.h"
#include "game/gamefiles.h"
#include "game/gamestate.h"
#include "support/bytesio.h"
#include "support/scripteddialogs.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The first settings file the project ships is written by a script that
// keeps the format of its own: the program reads it and would write the same
// bytes. A missing, broken or unreadable file at start-up and a writer that
// fails are the start-up and the disk tests' business.
TEST(GameFiles, TheShippedFirstSettingsTheBoxesAndTheMacroFileTheyName)
{
    QTemporaryDir dir;
    const QString ini = settingsPath(dir.path());
    const QString named = dir.filePath(QStringLiteral("m.txt"));
    QProcess tool;
    tool.start(QStringLiteral("bash"),
               {QStringLiteral(ORVELLA_SOURCE_DIR "/scripts/write-settings.sh"), ini, named});
    ASSERT_TRUE(tool.waitForFinished() && tool.exitCode() == 0);
    const QByteArray bytes = bytesOf(ini);
    QFile macros(named);
    ASSERT_TRUE(macros.open(QIODevice::WriteOnly));
    GameState gs;
    ScriptedDialogs dialogs;
    ASSERT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_FALSE(SettingsWriter(gs, dir.path(), 0, 0));
    EXPECT_EQ(bytesOf(ini), bytes);
    EXPECT_TRUE(dialogs.messages.empty());

    // The macro file it names is read with it; that file's failure is its own message.
    ASSERT_TRUE(macros.write("[Macro 2") > 0);
    macros.close();
    EXPECT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Problem with Macro File"));

    // A box the file names is in the default set and available, or neither;
    // the others stay as they were.
    gs.Boxes[1] = {QStringLiteral("Red"), false, false};
    gs.Boxes[2] = {QStringLiteral("Blue"), false, true};
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write("[boxes]\r\n1=True\r\n\r\n") > 0);
    file.close();
    ASSERT_TRUE(SettingsReader(gs, dialogs, dir.path()));
    EXPECT_TRUE(gs.Boxes[1].InDefault && gs.Boxes[1].Available);
    EXPECT_TRUE(gs.Boxes[2].InDefault && !gs.Boxes[2].Available);
}
