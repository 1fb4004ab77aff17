#include "bytesio.h"
#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

// The shipped word lists load whole; the starter macros and the first
// settings come back byte for byte as the program would write them.
TEST(Material, ShippedFilesAreWhatTheProgramReadsAndWrites)
{
    const QDir words(QStringLiteral(ORVELLA_SOURCE_DIR "/data/words"));
    const QFileInfoList lists = words.entryInfoList({QStringLiteral("*.txt")}, QDir::Files);
    EXPECT_GE(lists.size(), 5);
    for (const QFileInfo &list : lists) {
        GameState gs;
        EXPECT_EQ(readWordFile(list.filePath(), gs), 10) << list.fileName().toStdString();
    }

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("orvella.ini"));
    const QString named = dir.filePath(QStringLiteral("macros.txt"));
    QProcess tool;
    tool.start(QStringLiteral("bash"),
               {QStringLiteral(ORVELLA_SOURCE_DIR "/scripts/write-settings.sh"), ini, named});
    ASSERT_TRUE(tool.waitForFinished() && tool.exitCode() == 0);
    GameState gs;
    const auto rewritten = [&](const QString &path, const std::function<void(QIODevice &)> &read,
                               const std::function<void(QIODevice &)> &write) {
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        BytesIn in(bytes);
        read(in);
        return !bytes.isEmpty() && writtenBy(write) == bytes;
    };
    EXPECT_TRUE(rewritten(
        QStringLiteral(ORVELLA_SOURCE_DIR "/data/macros/starter.txt"),
        [&](QIODevice &in) { readMacros(in, gs); }, [&](QIODevice &out) { writeMacros(out, gs); }));
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Greeting"));
    EXPECT_TRUE(rewritten(
        ini, [&](QIODevice &in) { readSettings(in, gs, [] {}); },
        [&](QIODevice &out) { writeSettings(out, gs, 0, 0); }));
    EXPECT_TRUE(gs.MacroFile == named && gs.Delay == 1 && gs.RegChar == QStringLiteral("$"));
    EXPECT_TRUE(std::all_of(gs.Boxes.begin(), gs.Boxes.end(),
                            [](const BoxRec &b) { return b.InDefault && b.Available; }));
}
