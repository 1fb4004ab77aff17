#include "gameround.h"

#include "game/banner.h"
#include "game/draw.h"
#include "game/recovergame.h"

#include <QDir>

namespace {

class RecoverTest : public ::testing::Test, protected GameRound
{
protected:
    // A game of five words with three players called down.
    void SetUp() override
    {
        openGame("apple\r\nkiwi\r\nfig\r\npear\r\nlime\r\n");
        registerPlayers({u"Zoe"_qs, u"Lee, Jr"_qs, u"bob"_qs});
        cmdDraw_Click(ctx);
        logged = log();
    }
    // The program ends and starts again; the log as the game left it, edited
    // so, is resumed while the room shows chat. An empty log stands for none.
    void recover(const std::function<void(QByteArray &)> &edit = {},
                 const QStringList &chat = {Greeting})
    {
        QByteArray bytes = logged;
        if (edit)
            edit(bytes);
        std::tie(gs, controls) = std::tuple(GameState(), RecordingControls());
        link.restore({});
        Waits::resetAbandoned();
        useSettings();
        QFile::remove(gs.LogFile);
        if (!bytes.isEmpty())
            writeFile(u"Orvella.log"_qs, bytes);
        dialogs.messages.clear();
        room.heard.clear();
        room.fetches = 0;
        room.pending = chat;
        RecoverGame(ctx);
    }
    static QStringList resumeLines(const QStringList &ending)
    {
        return QStringList{u"Recovery Begun"_qs, titleLine(), versionLine(), contactLine(),
                           u"ESP a $ to Ann Lee to register."_qs} +
               ending;
    }
    QByteArray logged;
};

} // namespace

TEST_F(RecoverTest, AHeaderOnlyLogStartsAfresh)
{
    recover([](QByteArray &log) { log.truncate(log.indexOf("\r\n\r\n") + 4); });
    EXPECT_EQ(room.heard,
              resumeLines({u"No Recovery File"_qs, u"Everyone Re-Register, please"_qs}));
    EXPECT_EQ(gs.PlayerCount + gs.DownCount, 0);
    EXPECT_EQ(word(), u"Word 1 of 5APPLE"_qs);
}

TEST_F(RecoverTest, TheHostCheck)
{
    // A name that differs in letter case is another host.
    recover([](QByteArray &log) { log.replace("Host=Ann Lee", "Host=ann lee"); });
    EXPECT_EQ(dialogs.messages.at(0).text, u"Bad recovery file found"_qs);
    EXPECT_EQ(room.heard, QStringList({u"Recovery Begun"_qs, titleLine(), u"Recovery Failed"_qs}));
    EXPECT_EQ(gs.PlayerCount + gs.GamePhase, 0);

    // Of two echoes the later counts.
    room.echo = false;
    const QString echo = u"Ann Lee: "_qs + titleLine(), other = u"Mallory: "_qs + titleLine();
    recover({}, {Greeting, echo, u"Bo: hello"_qs, other});
    EXPECT_EQ(room.heard.last(), u"Recovery Failed"_qs);
    recover({}, {Greeting, other, u"Bo: hello"_qs, echo});
    EXPECT_EQ(gs.GamePhase, 2);

    // No echo at all: a bounded number of fetches.
    recover();
    EXPECT_EQ(room.fetches, HostCheckFetches);
    EXPECT_EQ(room.heard.last(), u"Recovery Failed"_qs);
    // The echo with too little in front of it: no later text can help.
    room.echo = true;
    room.chatter.clear();
    recover({}, {});
    EXPECT_EQ(room.fetches, 1);
    EXPECT_EQ(room.heard.last(), u"Recovery Failed"_qs);

    // Names of 38 characters or more start the echo's line inside the window.
    for (int length : {37, 38}) {
        room.host = QString(length, u'N');
        recover([&](QByteArray &log) { log.replace("Ann Lee", room.host.toLatin1()); });
        EXPECT_EQ(gs.GamePhase, length == 37 ? 2 : 0) << length;
    }
}

TEST_F(RecoverTest, FilesThatCannotBeReadStopTheRecoveryWhereItStands)
{
    recover([](QByteArray &log) { log.clear(); }); // no log at all
    EXPECT_EQ(dialogs.messages.at(0).text,
              u"File not found\r\n53\r\nError with file: "_qs + gs.LogFile);
    EXPECT_EQ(room.heard, QStringList(u"Recovery Begun"_qs));
    EXPECT_TRUE(!on(Ctl::cmdAsk) && controls.menus);

    // A word file that has gone, or cannot be read, is told.
    QFile::remove(path(u"words.txt"_qs));
    recover();
    EXPECT_EQ(dialogs.messages.at(0).text,
              u"File not found\r\n53\r\nError with file: "_qs + gs.WordFile);
    QDir(dir.path()).mkdir(u"words.txt"_qs);
    recover();
    EXPECT_TRUE(dialogs.messages.at(0).text.endsWith(u"\r\nError with file: "_qs + gs.WordFile));
    EXPECT_EQ(gs.GamePhase, 0);
}
