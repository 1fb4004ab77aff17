#include "support/mainwindowfixture.h"
#include "support/smalldisk.h"

#include <QDir>

namespace {

// The main window started over a program folder of the test's choosing.
struct StartIn : MainWindowRig
{
    bool startIn(const QString &folder)
    {
        w = std::make_unique<frmMain>(gs, *chat, ticks, ticks2, dialogs, rng,
                                      frmMain::Environment{folder, [] { return u"orvella"_qs; }});
        return w->Form_Load();
    }
    QString told() const
    {
        return dialogs.messages.empty()
                   ? QString()
                   : dialogs.messages[0].title + u'|' + dialogs.messages[0].text;
    }
};

} // namespace

TEST(StartUp, AFolderOrLockThatCannotBeMadeIsToldAsWhatItIs)
{
    {
        // A plain file where a folder should be: the program ends before the link.
        StartIn run;
        const QString plain = run.writeFile(u"plain"_qs, "x");
        EXPECT_FALSE(run.startIn(plain + u"/Orvella"_qs));
        EXPECT_EQ(run.told(),
                  u"Program Exiting|Path/File access error\r\n75\r\nError with file "_qs + plain);
        EXPECT_TRUE(run.room.client.log.isEmpty());
        EXPECT_NE(run.w->exitCode(), 0);
    }
    {
        // A folder that takes no lock file.
        StartIn run;
        SmallDisk disk;
        if (!disk.lockFolder(true))
            GTEST_SKIP() << "no way to keep new files out of a folder here";
        EXPECT_FALSE(run.startIn(disk.folder()));
        EXPECT_EQ(run.told(), u"Program Exiting|Permission denied\r\n70\r\nError with file "_qs +
                                  disk.path(u"orvella.lock"_qs));
    }
}

TEST(StartUp, ALeftOverLockAndTheWritersLeftoversDoNotStopAStart)
{
    StartIn run;
    // A lock file nobody holds (an empty one, as after a crash), and a
    // temporary copy left by a kill between writing and renaming.
    run.writeFile(u"orvella.lock"_qs, "");
    run.writeFile(u"orvella.ini.Qx7Tz2.orvella-tmp"_qs, "[Settings]\r\n");
    run.writeFile(u"orvella.ini.bak"_qs, "kept");
    EXPECT_TRUE(run.startIn(run.dir.path())) << run.told().toStdString();
    EXPECT_EQ(QDir(run.dir.path()).entryList(QDir::Files),
              QStringList({u"orvella.ini.bak"_qs, u"orvella.lock"_qs}));
}
