#include "support/mainwindowfixture.h"
#include "support/smalldisk.h"

namespace {

// Started over a program folder of the test's choosing; what the host was told.
QString startIn(MainWindowRig &run, const QString &folder)
{
    run.w =
        std::make_unique<frmMain>(run.gs, *run.chat, run.ticks, run.ticks2, run.dialogs, run.rng,
                                  frmMain::Environment{folder, [] { return u"o"_qs; }});
    const bool started = run.w->Form_Load();
    const auto &shown = run.dialogs.messages;
    return QString::number(started) +
           (shown.empty() ? QString() : u'|' + shown[0].title + u'|' + shown[0].text);
}

} // namespace

TEST(StartUp, AFolderOrLockThatCannotBeMadeIsToldAsWhatItIsAndWhere)
{
    MainWindowRig plain, locked;
    const QString file = plain.writeFile(u"plain"_qs, "x"); // where a folder should be
    EXPECT_EQ(startIn(plain, file + u"/Orvella"_qs),
              u"0|Program Exiting|Path/File access error\r\n75\r\nError with file "_qs + file);
    EXPECT_TRUE(plain.room.client.log.isEmpty());
    EXPECT_NE(plain.w->exitCode(), 0);
    SmallDisk disk;
    if (!disk.lockFolder(true))
        GTEST_SKIP() << "no way to keep new files out of a folder here";
    EXPECT_EQ(startIn(locked, disk.folder()),
              u"0|Program Exiting|Permission denied\r\n70\r\nError with file "_qs +
                  disk.path(u"orvella.lock"_qs));
}

TEST(StartUp, ALockNobodyHoldsIsTakenAndOnlyTheWritersLeftoversGo)
{
    MainWindowRig run;
    run.writeFile(u"orvella.lock"_qs, ""); // as a crash may leave it
    run.writeFile(u"orvella.ini.Qx7Tz2.orvella-tmp"_qs, "[Settings]\r\n");
    run.writeFile(u"orvella.ini.bak"_qs, "kept");
    EXPECT_EQ(startIn(run, run.dir.path()), u"1"_qs);
    EXPECT_EQ(QDir(run.dir.path()).entryList(QDir::Files),
              QStringList({u"orvella.ini.bak"_qs, u"orvella.lock"_qs}));
}
