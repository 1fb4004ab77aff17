#include "files/fileio.h"
#include "files/linereader.h"
#include "files/recoverylog.h"
#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"
#include "support/smalldisk.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

// Each writer, how to change what it writes, and the name the host is told.
struct Writer
{
    const char *name;
    std::function<WriteResult(GameState &, const QString &folder)> write;
    QString file;
};

const Writer Writers[] = {
    {"settings", [](GameState &gs, const QString &f) { return SettingsWriter(gs, f, 1, 2); },
     QStringLiteral("orvella.ini")},
    {"log", [](GameState &gs, const QString &) { return LogWriter(gs); },
     QStringLiteral("Orvella.log")},
    {"macros", [](GameState &gs, const QString &) { return MacroWriter(gs); },
     QStringLiteral("m.txt")},
};

GameState gameIn(const SmallDisk &disk, int textLength)
{
    GameState gs;
    gs.LogFile = disk.path(QStringLiteral("Orvella.log"));
    gs.MacroFile = disk.path(QStringLiteral("m.txt"));
    gs.Sorry = gs.Guess = gs.Subs[0] = QString(textLength, u'x');
    return gs;
}

} // namespace

TEST(DiskFault, AFullDiskKeepsTheOldFileWholeAndSaysDiskFull)
{
    for (const Writer &writer : Writers) {
        SCOPED_TRACE(writer.name);
        SmallDisk disk;
        GameState gs = gameIn(disk, 10);
        const QString file = disk.path(writer.file);
        ASSERT_FALSE(writer.write(gs, disk.folder()));
        const QByteArray old = bytesOf(file);

        gs = gameIn(disk, 20);
        disk.fill();
        const WriteResult failed = writer.write(gs, disk.folder());
        disk.drain();
        ASSERT_TRUE(failed);
        const QString shown = writer.file == u"orvella.ini" ? writer.file : file;
        EXPECT_EQ(failed->report(), QStringLiteral("Disk full\r\n61\r\nError with file ") + shown);
        EXPECT_EQ(bytesOf(file), old);
        EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden),
                  QStringList(writer.file)); // no temporary left behind
        EXPECT_FALSE(writer.write(gs, disk.folder()));
        EXPECT_NE(bytesOf(file), old);
    }
}

TEST(DiskFault, AFolderThatTakesNoNewFileIsWrittenInPlace)
{
    for (const Writer &writer : Writers) {
        SCOPED_TRACE(writer.name);
        SmallDisk disk;
        const QString file = disk.path(writer.file);
        GameState gs = gameIn(disk, 3000);
        ASSERT_FALSE(writer.write(gs, disk.folder()));
        if (!disk.lockFolder(true))
            GTEST_SKIP() << "no way to keep new files out of a folder here";

        // Shorter and longer files both come out whole.
        for (int length : {10, 3500}) {
            gs = gameIn(disk, length);
            EXPECT_FALSE(writer.write(gs, disk.folder()));
            GameState again = gameIn(disk, length);
            const QString copy = QDir::temp().filePath(QStringLiteral("orvella-copy"));
            ASSERT_FALSE(FileIO::save(copy, [&](QIODevice &out) {
                if (writer.file == u"orvella.ini")
                    writeSettings(out, again, 1, 2);
                else if (writer.file == u"Orvella.log")
                    writeLog(out, again);
                else
                    writeMacros(out, again);
            }));
            EXPECT_EQ(bytesOf(file), bytesOf(copy));
            QFile::remove(copy);
        }

        // A longer file on a full disk: its room is not there, the old file stays.
        const QByteArray old = bytesOf(file);
        gs = gameIn(disk, 6000);
        disk.fill();
        const WriteResult failed = writer.write(gs, disk.folder());
        disk.drain();
        ASSERT_TRUE(failed);
        EXPECT_EQ(failed->failure.number(), ErrDiskFull);
        EXPECT_EQ(bytesOf(file), old);

        // A file the folder does not hold yet cannot be made there.
        gs.LogFile = gs.MacroFile = disk.path(QStringLiteral("new.txt"));
        QFile::remove(file);
        EXPECT_EQ(writer.write(gs, disk.path(QStringLiteral("none")))->failure.number(),
                  writer.file == u"orvella.ini" ? ErrPathNotFound : ErrPermissionDenied);
    }
}

TEST(DiskFault, HugeLinesAndFilesFailInsteadOfFillingMemory)
{
    const auto read = [](const QByteArray &bytes, auto &&reader) -> std::pair<int, qint64> {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        GameState gs;
        try {
            reader(buffer, gs);
        } catch (const Failure &f) {
            return {f.number(), buffer.pos()};
        }
        return {0, buffer.pos()};
    };
    const QByteArray longLine(LineReader::MaxLineBytes + 1, 'w');
    const QByteArray manyLines = "[settings]\r\n" + (QByteArray(99, 's') + '\n').repeated(50000);
    const auto words = [](QIODevice &in, GameState &gs) { readWords(in, gs); };
    const auto settings = [](QIODevice &in, GameState &gs) { readSettings(in, gs, [] {}); };
    const auto macros = [](QIODevice &in, GameState &gs) { readMacros(in, gs); };
    // A word file of one endless line is given up after reading little more than the cap.
    const auto [number, pos] = read(longLine + longLine + longLine, words);
    EXPECT_EQ(number, ErrOutOfMemory);
    EXPECT_LT(pos, 3 * LineReader::MaxLineBytes);
    EXPECT_EQ(read(QByteArray(LineReader::MaxLineBytes, 'w'), words).first, 0);
    EXPECT_EQ(read("[settings]\r\nsorry=" + longLine + "\r\n\r\n", settings).first, ErrOutOfMemory);
    EXPECT_EQ(read(manyLines, settings).first, ErrOutOfMemory);
    EXPECT_EQ(read("[Macro 1 ]\r\nName\r\n" + manyLines, macros).first, ErrOutOfMemory);

    SmallDisk disk;
    QFile big(disk.path(QStringLiteral("big.log")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(LineReader::MaxFileBytes + 1));
    big.close();
    try {
        FileIO::readBytes(big.fileName(), LineReader::MaxFileBytes);
        FAIL() << "read whole";
    } catch (const Failure &f) {
        EXPECT_EQ(wordFileFailureText(f).section(u'\r', 0, 0), QStringLiteral("Error = 7"));
    }
}

TEST(DiskFault, OnlyTheWritersOwnLeftoversAreRemoved)
{
    SmallDisk disk;
    const QStringList ours = {"orvella.ini.Ab12Cd.orvella-tmp", "Orvella.log.zz99ZZ.orvella-tmp",
                              "m.txt.000000.orvella-tmp"};
    const QStringList others = {"orvella.ini",
                                "orvella.ini.backup",
                                "orvella.ini.Ab12C.orvella-tmp",
                                "orvella.ini.Ab-2Cd.orvella-tmp",
                                ".abcdef.orvella-tmp",
                                "x.abcdef.orvella-tmp.txt"};
    for (const QString &name : ours + others) {
        QFile f(disk.path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(disk.folder()).mkdir(QStringLiteral("dir.abcdef.orvella-tmp"));
    FileIO::removeStrayTemporaries(disk.folder());
    QStringList left =
        QDir(disk.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QStringList expected = others + QStringList{"dir.abcdef.orvella-tmp"};
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
}
