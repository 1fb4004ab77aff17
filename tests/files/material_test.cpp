#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every line ends in CR LF: no lone CR or LF.
bool crLfOnly(const QByteArray &bytes)
{
    return bytes.endsWith("\r\n") && bytes.count('\r') == bytes.count("\r\n") &&
           bytes.count('\n') == bytes.count("\r\n");
}

} // namespace

TEST(Material, WordListsHoldTenWordsOfMixedLengthInCrLfLines)
{
    const QDir dir(QStringLiteral(ORVELLA_DATA_DIR "/words"));
    const QStringList lists = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    EXPECT_GE(lists.size(), 5);
    for (const QString &name : lists) {
        const QByteArray bytes = contents(dir.filePath(name));
        GameState gs;
        const int n = readWordFile(dir.filePath(name), gs);
        EXPECT_TRUE(crLfOnly(bytes) && bytes.count("\r\n") == n) << name.toStdString();
        EXPECT_EQ(n, 10) << name.toStdString();
        const auto [shortest, longest] = std::minmax_element(
            gs.Words.begin() + 1, gs.Words.begin() + n + 1,
            [](const QString &a, const QString &b) { return a.size() < b.size(); });
        EXPECT_TRUE(shortest->size() <= 4 && longest->size() >= 10) << name.toStdString();
    }
}

TEST(Material, StarterMacrosReadBackAndWriteTheSameBytes)
{
    const QByteArray bytes = contents(QStringLiteral(ORVELLA_DATA_DIR "/macros/starter.txt"));
    ASSERT_TRUE(crLfOnly(bytes));
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    GameState gs;
    readMacros(in, gs);
    EXPECT_EQ(gs.Macros[1].Name, QStringLiteral("Greeting"));
    EXPECT_EQ(gs.Subs[1], QStringLiteral("ESP %reg% to %host% to register."));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    writeMacros(out, gs);
    EXPECT_EQ(out.data(), bytes);
}

TEST(Material, FirstSettingsFileIsWhatTheProgramWouldWrite)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("orvella.ini"));
    const QString macros = dir.filePath(QStringLiteral("macros.txt"));
    QProcess tool;
    tool.start(QStringLiteral("bash"),
               {QStringLiteral(ORVELLA_SOURCE_DIR "/scripts/write-settings.sh"), ini, macros});
    ASSERT_TRUE(tool.waitForFinished() && tool.exitCode() == 0);
    const QByteArray bytes = contents(ini);
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    GameState gs;
    QString named;
    readSettings(in, gs, [&] { named = gs.MacroFile; });
    EXPECT_TRUE(named == macros && gs.Delay == 1 && gs.RegChar == QStringLiteral("$"));
    EXPECT_TRUE(std::all_of(gs.Boxes.begin(), gs.Boxes.end(),
                            [](const BoxRec &b) { return b.InDefault && b.Available; }));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    writeSettings(out, gs, 0, 0);
    EXPECT_EQ(out.data(), bytes);
}
