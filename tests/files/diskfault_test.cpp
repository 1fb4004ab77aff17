#include "files/fileio.h"
#include "files/linereader.h"
#include "files/recoverylog.h"
#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"
#include "macros/macrofile.h"
#include "support/bytesio.h"
#include "support/smalldisk.h"

#include <gtest/gtest.h>

namespace {

GameState gameIn(const SmallDisk &disk, int textLength)
{
    GameState gs;
    gs.LogFile = disk.path(QStringLiteral("Orvella.log"));
    gs.MacroFile = disk.path(QStringLiteral("m.txt"));
    gs.Sorry = gs.Guess = gs.Subs[0] = QString(textLength, u'x');
    return gs;
}

// Each writer, and the name its failure tells the host.
const std::pair<std::function<WriteResult(const GameState &, const QString &)>, QString> Writers[] =
    {
        {[](const GameState &gs, const QString &f) { return SettingsWriter(gs, f, 1, 2); },
         QStringLiteral("orvella.ini")},
        {[](const GameState &gs, const QString &) { return LogWriter(gs); },
         QStringLiteral("Orvella.log")},
        {[](const GameState &gs, const QString &) { return MacroWriter(gs); },
         QStringLiteral("m.txt")},
};

} // namespace

TEST(DiskFault, AFullDiskKeepsTheOldFileWholeAndSaysDiskFull)
{
    for (const auto &[write, name] : Writers) {
        SmallDisk disk;
        const QString file = disk.path(name);
        ASSERT_FALSE(write(gameIn(disk, 10), disk.folder()));
        const QByteArray old = bytesOf(file);
        disk.setFull(true);
        const WriteResult failed = write(gameIn(disk, 20), disk.folder());
        disk.setFull(false);
        ASSERT_TRUE(failed);
        EXPECT_EQ(failed->report(), QStringLiteral("Disk full\r\n61\r\nError with file ") +
                                        (name == u"orvella.ini" ? name : file));
        EXPECT_EQ(bytesOf(file), old);
        EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden), QStringList(name));
    }
}

TEST(DiskFault, AFolderThatTakesNoNewFileIsWrittenInPlaceOrKeptWhole)
{
    SmallDisk disk;
    const QString ini = settingsPath(disk.folder());
    ASSERT_FALSE(SettingsWriter(gameIn(disk, 3000), disk.folder(), 1, 2));
    if (!disk.lockFolder(true))
        GTEST_SKIP() << "no way to keep new files out of a folder here";
    for (int length : {10, 3500}) { // shorter, then longer than the file
        const GameState gs = gameIn(disk, length);
        EXPECT_FALSE(SettingsWriter(gs, disk.folder(), 1, 2));
        EXPECT_EQ(bytesOf(ini), writtenBy([&](QIODevice &out) { writeSettings(out, gs, 1, 2); }));
    }
    // The room for a longer file is not there: the old file stays.
    const QByteArray old = bytesOf(ini);
    disk.setFull(true);
    EXPECT_EQ(SettingsWriter(gameIn(disk, 6000), disk.folder(), 1, 2)->failure.number(),
              ErrDiskFull);
    disk.setFull(false);
    EXPECT_EQ(bytesOf(ini), old);
}

TEST(DiskFault, HugeLinesAndFilesFailInsteadOfFillingMemory)
{
    const QByteArray line(LineReader::MaxLineBytes + 1, 'w');
    const QByteArray lines = (QByteArray(99, 's') + '\n').repeated(50000);
    const std::pair<QByteArray, void (*)(QIODevice &, GameState &)> cases[] = {
        {line + line + line, [](QIODevice &in, GameState &gs) { readWords(in, gs); }},
        {"[settings]\r\n" + lines, [](QIODevice &in, GameState &gs) { readSettings(in, gs, {}); }},
    };
    for (const auto &[bytes, read] : cases) {
        BytesIn in(bytes);
        GameState gs;
        EXPECT_EQ(failureOf([&] { read(in, gs); }), ErrOutOfMemory) << bytes.left(20).constData();
        // Given up after little more than the cap.
        EXPECT_LE(in.pos(), LineReader::MaxFileBytes + 64 * 1024);
    }
}
