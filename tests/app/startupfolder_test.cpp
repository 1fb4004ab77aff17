#include "session/clientcommand.h"
#include "support/mainwindowfixture.h"
#include "support/smalldisk.h"

#include <QProcess>

namespace {

// Started over a program folder of the test's choosing; what the host was told.
QString startIn(MainWindowRig &run, const QString &folder)
{
    run.dialogs.messages.clear();
    run.w.reset();
    const bool started = run.build(folder, u"o"_qs).Form_Load();
    const auto &shown = run.dialogs.messages;
    return QString::number(started) +
           (shown.empty() ? QString() : u'|' + shown[0].title + u'|' + shown[0].text);
}

} // namespace

// Each reason is told as what it is and where, and the settings file stays
// as it was.
TEST(StartUp, WhatEndsAStartIsToldAsWhatItIs)
{
    MainWindowRig plain, broken, noClient, locked;
    const QString file = plain.writeFile(u"plain"_qs, "x"); // where a folder should be
    const QByteArray bad = "[settings]\r\nleft=40000\r\n\r\n";
    broken.writeFile(u"orvella.ini"_qs, bad);
    noClient.room.initResult = 1;
    const std::tuple<MainWindowRig *, QString, QString> cases[] = {
        {&plain, file + u"/Orvella"_qs,
         u"Program Exiting|Path/File access error\r\n75\r\nError with file "_qs + file},
        {&broken, broken.dir.path(),
         u"Program Exiting|Overflow\r\n6\r\nError with file orvella.ini"_qs},
        {&noClient, noClient.dir.path(),
         u"Orvella|Run-time error 10001:\r\n\r\nFailed to initialize DDE layer\r\n\r\nThe "
         "chat client: no chat client answers.\r\n\r\nStart a chat client in this session "
         "first, then Orvella: the stand-in room (orvella-room --players 6) or the IRC client "
         "(orvella-irc --server NETWORK --channel '#CHANNEL' --nick NAME)."_qs},
    };
    for (const auto &[rig, folder, told] : cases) {
        EXPECT_EQ(startIn(*rig, folder), u"0|"_qs + told);
        EXPECT_NE(rig->session->exitCode(), 0);
        rig->w->close();
    }
    EXPECT_TRUE(plain.room.log.isEmpty());
    EXPECT_EQ(noClient.room.log, QStringList(u"I o"_qs));
    EXPECT_EQ(bytesOf(broken.ini()), bad);
    EXPECT_FALSE(QFile::exists(noClient.ini()));
    SmallDisk disk;
    if (!disk.lockFolder(true))
        GTEST_SKIP() << "no way to keep new files out of a folder here";
    EXPECT_EQ(startIn(locked, disk.folder()),
              u"0|Program Exiting|Permission denied\r\n70\r\nError with file "_qs +
                  disk.path(u"orvella.lock"_qs));
}

// Room lines that cannot be taken end no start: the Room window opens at its
// default place, and the file is rewritten as one without them would be.
TEST(StartUp, RoomLinesThatCannotBeTakenGiveTheDefaultPlace)
{
    MainWindowRig clean, odd;
    const QByteArray settings = "[settings]\r\ndelay=2\r\nregchar=#\r\n";
    clean.writeFile(u"orvella.ini"_qs, settings + "\r\n");
    odd.writeFile(u"orvella.ini"_qs, settings + "roomleft=abc\r\nroomtop=99999\r\n"
                                                "roomwidth=-3\r\nroomheight=\xB0\r\n\r\n");
    QList<QRect> places;
    for (MainWindowRig *rig : {&clean, &odd}) {
        ASSERT_EQ(startIn(*rig, rig->dir.path()), u"1"_qs);
        part<QAction>(*rig->w, "mnuRoom")->trigger();
        places << part<QWidget>(*rig->w, "frmRoom")->geometry();
        rig->w->close();
    }
    EXPECT_EQ(places[0], places[1]);
    EXPECT_TRUE(bytesOf(odd.ini()).contains("RoomWidth= "));
    EXPECT_EQ(bytesOf(odd.ini()), bytesOf(clean.ini()));
}

// A chat client is named as the shell finds it: the one beside the program
// by its path, unless it is the one on the PATH; no such program, by its name.
TEST(StartUp, TheChatClientsAreNamedSoTheCommandRunsAsPrinted)
{
    QTemporaryDir dir(QDir::tempPath() + u"/it's here XXXXXX"_qs);
    QFile room(dir.filePath(u"orvella-room"_qs));
    ASSERT_TRUE(room.open(QIODevice::WriteOnly));
    room.setPermissions(room.permissions() | QFile::ExeOwner);
    const QString quoted =
        u"'"_qs + QString(room.fileName()).replace(u"'"_qs, u"'\\''"_qs) + u"'"_qs;
    EXPECT_EQ(clientCommand(dir.path(), u"orvella-room"_qs), quoted);
    EXPECT_EQ(clientCommand(dir.path(), u"orvella-irc"_qs), u"orvella-irc"_qs);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    EXPECT_EQ(clientCommand(dir.path(), u"orvella-room"_qs), u"orvella-room"_qs);
    qputenv("PATH", path);
}

// A lock left by a dead copy is taken and only the writer's leftovers go; a
// live copy's lock ends a second one before it touches the link or the first
// one's files. The store of results opens with the first step, not with the
// window: a damaged one is told then and moved aside, and a new one takes its
// place.
TEST(StartUp, ALockIsTakenOnlyFromADeadCopyAndTheStoreAtTheFirstStep)
{
    MainWindowRig run, second;
    const QStringList kept = u".abcdef.orvella-tmp orvella.ini.Ab-2Cd.orvella-tmp "
                             "orvella.ini.Ab12C.orvella-tmp orvella.ini.backup orvella.lock "
                             "scores.sqlite x.abcdef.orvella-tmp.txt"_qs.split(u' ');
    for (const QString &name :
         kept + QStringList{u"m.txt.000000.orvella-tmp"_qs, u"orvella.ini.Ab12Cd.orvella-tmp"_qs})
        run.writeFile(name, ""); // the lock file empty, as a crash may leave it
    run.writeFile(u"scores.sqlite"_qs, "not a database at all");
    QDir(run.dir.path()).mkdir(u"dir.abcdef.orvella-tmp"_qs);
    EXPECT_EQ(startIn(run, run.dir.path()), u"1"_qs);
    EXPECT_EQ(QDir(run.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), kept);
    EXPECT_TRUE(QFileInfo(run.path(u"dir.abcdef.orvella-tmp"_qs)).isDir());
    part<QAction>(*run.w, "mnuLoad")->trigger(); // the file dialog is cancelled
    ASSERT_EQ(run.dialogs.messages.size(), 1u);
    EXPECT_TRUE(run.dialogs.messages[0].text.startsWith(u"The scores file "_qs + run.dir.path()));
    EXPECT_NE(bytesOf(run.path(u"scores.sqlite"_qs)), "not a database at all");
    part<QAction>(*run.w, "mnuLoad")->trigger();
    EXPECT_EQ(run.dialogs.messages.size(), 1u);

    const QString writing = run.writeFile(u"orvella.ini.Ab12Cd.orvella-tmp"_qs, "");
    EXPECT_EQ(startIn(second, run.dir.path()),
              u"0|Quantrel Ending|Quantrel is already running!"_qs);
    EXPECT_TRUE(second.room.log.isEmpty() && QFile::exists(writing));
    run.restart();
    EXPECT_EQ(startIn(second, run.dir.path()), u"1"_qs);
}

// The first-run step has the program write the starter settings, in the
// bytes run.sh and orvella-start have always given, and nothing for a macro
// file whose path the file cannot spell.
TEST(StartUp, TheFirstRunStepWritesTheProgramsStarterSettings)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"data"_qs);
    QProcess step;
    step.start(u"env"_qs,
               {u"ORVELLA_PROGRAM=" ORVELLA_EXE ""_qs, u"bash"_qs,
                QStringLiteral(ORVELLA_SOURCE_DIR "/scripts/first-settings.sh"), folder});
    ASSERT_TRUE(step.waitForFinished() && step.exitCode() == 0);
    QByteArray expected =
        "[Settings]\r\nDelay= 1 \r\nAuto= 0 \r\nLeft= 0 \r\nTop= 0 \r\n"
        "OnTop=False\r\nBoxLeft= 0 \r\nBoxTop= 0 \r\nRegChar=$\r\nConfirm=True\r\n"
        "Sorry=Sorry %player%.  %word% is not a match\r\n"
        "WTG=WTG %player%! %word% is a match\r\n"
        "CalldownMSG=It's your turn to play\r\nCalldown=False\r\nMacroFile=" +
        QFile::encodeName(folder) + "/macros.txt\r\n\r\n[Boxes]\r\n";
    for (int i = 0; i < 10; ++i)
        expected += ' ' + QByteArray::number(i) + " =True\r\n";
    EXPECT_EQ(bytesOf(folder + u"/orvella.ini"_qs), expected + "\r\n");

    const QString spelled = dir.filePath(u"x.ini"_qs);
    step.start(QStringLiteral(ORVELLA_EXE),
               {u"--write-settings"_qs, spelled, dir.filePath(u"\u4e00/macros.txt"_qs)});
    ASSERT_TRUE(step.waitForFinished() && step.exitCode() == 1 && !QFile::exists(spelled));
    EXPECT_TRUE(step.readAllStandardError().startsWith("The macro file's path cannot be written"));
}
