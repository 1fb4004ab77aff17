#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The file's bytes, checked to end every line in CR LF, and read by read.
QByteArray readBack(const QString &path, const std::function<void(QIODevice &)> &read)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    EXPECT_TRUE(bytes.endsWith("\r\n") && bytes.count('\r') == bytes.count("\r\n") &&
                bytes.count('\n') == bytes.count("\r\n"))
        << path.toStdString();
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    read(in);
    return bytes;
}

QByteArray written(const std::function<void(QIODevice &)> &write)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    write(out);
    return out.data();
}

} // namespace

TEST(Material, WordListsHoldTenWordsOfMixedLength)
{
    const QDir dir(QStringLiteral(ORVELLA_SOURCE_DIR "/data/words"));
    const QStringList lists = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    EXPECT_GE(lists.size(), 5);
    for (const QString &name : lists) {
        GameState gs;
        int n = 0;
        readBack(dir.filePath(name), [&](QIODevice &in) { n = readWords(in, gs); });
        QList<qsizetype> lengths;
        for (int i = 1; i <= n; ++i)
            lengths << gs.Words[i].size();
        std::sort(lengths.begin(), lengths.end());
        EXPECT_TRUE(n == 10 && lengths.first() <= 4 && lengths.last() >= 10) << name.toStdString();
    }
}

TEST(Material, StarterMacrosAndFirstSettingsAreWhatTheProgramWouldWrite)
{
    GameState gs;
    const QByteArray macros =
        readBack(QStringLiteral(ORVELLA_SOURCE_DIR "/data/macros/starter.txt"),
                 [&](QIODevice &in) { readMacros(in, gs); });
    EXPECT_TRUE(gs.Macros[1].Name == QStringLiteral("Greeting") &&
                gs.Subs[1] == QStringLiteral("ESP %reg% to %host% to register."));
    EXPECT_EQ(written([&](QIODevice &out) { writeMacros(out, gs); }), macros);

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("orvella.ini"));
    const QString named = dir.filePath(QStringLiteral("macros.txt"));
    QProcess tool;
    tool.start(QStringLiteral("bash"),
               {QStringLiteral(ORVELLA_SOURCE_DIR "/scripts/write-settings.sh"), ini, named});
    ASSERT_TRUE(tool.waitForFinished() && tool.exitCode() == 0);
    const QByteArray settings = readBack(ini, [&](QIODevice &in) { readSettings(in, gs, [] {}); });
    EXPECT_TRUE(gs.MacroFile == named && gs.Delay == 1 && gs.RegChar == QStringLiteral("$"));
    EXPECT_TRUE(std::all_of(gs.Boxes.begin(), gs.Boxes.end(),
                            [](const BoxRec &b) { return b.InDefault && b.Available; }));
    EXPECT_EQ(written([&](QIODevice &out) { writeSettings(out, gs, 0, 0); }), settings);
}
