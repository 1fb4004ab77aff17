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
    const QStringList kept = {u".abcdef.orvella-tmp"_qs,
                              u"orvella.ini.Ab-2Cd.orvella-tmp"_qs,
                              u"orvella.ini.Ab12C.orvella-tmp"_qs,
                              u"orvella.ini.backup"_qs,
                              u"orvella.lock"_qs,
                              u"x.abcdef.orvella-tmp.txt"_qs};
    for (const QString &name :
         kept + QStringList{u"m.txt.000000.orvella-tmp"_qs, u"orvella.ini.Ab12Cd.orvella-tmp"_qs})
        run.writeFile(name, ""); // the lock file empty, as a crash may leave it
    QDir(run.dir.path()).mkdir(u"dir.abcdef.orvella-tmp"_qs);
    EXPECT_EQ(startIn(run, run.dir.path()), u"1"_qs);
    EXPECT_EQ(QDir(run.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), kept);
    EXPECT_TRUE(QFileInfo(run.path(u"dir.abcdef.orvella-tmp"_qs)).isDir());
}
