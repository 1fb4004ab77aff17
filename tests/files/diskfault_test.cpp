#include "files/fileio.h"
#include "files/linereader.h"
#include "files/macrofile.h"
#include "files/recoverylog.h"
#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "support/bytesio.h"
#include "support/smalldisk.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// What the three files of a game hold, with texts of a given length.
struct Files
{
    QString folder;
    SettingsRecord settings;
    LogHeader header;
    LogBody body;
    MacroFileRecord macros;
};

Files filesIn(const SmallDisk &disk, int textLength)
{
    Files f;
    f.folder = disk.folder();
    f.settings.Sorry = f.body.guess = f.macros.subs[0] = QString(textLength, u'x');
    return f;
}

// Each writer, and the name its failure tells the host.
const std::pair<std::function<WriteResult(const Files &)>, QString> Writers[] = {
    {[](const Files &f) { return saveSettings(f.folder, f.settings, 1, 2); }, u"orvella.ini"_qs},
    {[](const Files &f) { return saveLog(f.folder + u"/Orvella.log"_qs, f.header, f.body); },
     u"Orvella.log"_qs},
    {[](const Files &f) {
         return FileIO::save(f.folder + u"/m.txt"_qs,
                             [&](QIODevice &out) { writeMacros(out, f.macros); });
     },
     u"m.txt"_qs},
};

} // namespace

// A full disk, or a file its owner made read-only written as a user that
// file modes bind, keeps the old file whole and alone and says why.
TEST(DiskFault, AFullDiskOrAReadOnlyFileKeepsTheOldFileAndSaysWhy)
{
    for (const bool readOnly : {false, true}) {
        for (const auto &[write, name] : Writers) {
            SmallDisk disk;
            const QString file = disk.path(name);
            ASSERT_FALSE(write(filesIn(disk, 10)));
            const QByteArray old = bytesOf(file);
            const auto tryWrite = [&] {
                const WriteResult failed = write(filesIn(disk, 20));
                return failed ? failed->report() : u"written"_qs;
            };
            std::optional<QString> said;
            if (readOnly) {
                ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup |
                                                            QFile::ReadOther));
                if (!(said = disk.asPlainUser(tryWrite)))
                    GTEST_SKIP() << "no unprivileged user can write into a folder here";
            } else {
                disk.setFull(true);
                said = tryWrite();
                disk.setFull(false);
            }
            EXPECT_EQ(*said, (readOnly ? u"Permission denied\r\n70"_qs : u"Disk full\r\n61"_qs) +
                                 u"\r\nError with file "_qs +
                                 (name == u"orvella.ini" ? name : file));
            EXPECT_EQ(bytesOf(file), old);
            EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden), QStringList(name));
            // Modes do not bind root, who replaces the file as before.
            if (readOnly && ::geteuid() == 0) {
                EXPECT_FALSE(write(filesIn(disk, 20)));
            }
        }
    }
}

TEST(DiskFault, AFolderThatTakesNoNewFileIsWrittenInPlaceOrKeptWhole)
{
    SmallDisk disk;
    const QString ini = settingsPath(disk.folder());
    ASSERT_FALSE(saveSettings(disk.folder(), filesIn(disk, 3000).settings, 1, 2));
    if (!disk.lockFolder(true))
        GTEST_SKIP() << "no way to keep new files out of a folder here";
    for (int length : {10, 3500}) { // shorter, then longer than the file
        const SettingsRecord settings = filesIn(disk, length).settings;
        EXPECT_FALSE(saveSettings(disk.folder(), settings, 1, 2));
        EXPECT_EQ(bytesOf(ini),
                  writtenBy([&](QIODevice &out) { writeSettings(out, settings, 1, 2); }));
    }
    // The room for a longer file is not there: the old file stays.
    const QByteArray old = bytesOf(ini);
    disk.setFull(true);
    EXPECT_EQ(saveSettings(disk.folder(), filesIn(disk, 6000).settings, 1, 2)->failure.number(),
              ErrDiskFull);
    disk.setFull(false);
    EXPECT_EQ(bytesOf(ini), old);
}

TEST(DiskFault, HugeLinesAndFilesFailInsteadOfFillingMemory)
{
    const QByteArray line(LineReader::MaxLineBytes + 1, 'w');
    const QByteArray lines = (QByteArray(99, 's') + '\n').repeated(50000);
    const std::pair<QByteArray, void (*)(QIODevice &)> cases[] = {
        {line + line + line,
         [](QIODevice &in) {
             QStringList words;
             readWords(in, words);
         }},
        {"[settings]\r\n" + lines,
         [](QIODevice &in) {
             SettingsRecord settings;
             readSettings(in, settings, {});
         }},
    };
    for (const auto &[bytes, read] : cases) {
        BytesIn in(bytes);
        EXPECT_EQ(failureOf([&] { read(in); }), ErrOutOfMemory) << bytes.left(20).constData();
        // Given up after little more than the cap.
        EXPECT_LE(in.pos(), LineReader::MaxFileBytes + 64 * 1024);
    }
}
