#include "gameround.h"

#include "game/banner.h"
#include "game/draw.h"
#include "game/gamelog.h"
#include "game/hostecho.h"

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
    // The program starts again over the log as the game left it, edited so.
    void recover(const std::function<void(QByteArray &)> &edit = {},
                 const QStringList &chat = {Greeting})
    {
        QByteArray bytes = logged;
        if (edit)
            edit(bytes);
        resumeFrom(bytes, chat);
    }
    QByteArray logged;
};

// Everything the log restores, as the log writes it; the start time, which
// a resumed game does not take back, set aside.
QByteArray restorable(GameState gs)
{
    gs.GameStart = {};
    QByteArray text =
        writtenBy([&](QIODevice &out) { writeLog(out, logHeaderOf(gs), logBodyOf(gs)); });
    for (int i = 1; i < std::min<int>(gs.WordIndex, MaxWords + 1); ++i)
        text += gs.Asked[i] ? "T" : "F";
    for (int i = 1; i <= gs.WordCount; ++i)
        text += gs.Words[i].toUtf8() + ',';
    return text;
}

} // namespace

// The host check, then what the files hold.
TEST_F(RecoverTest, TheHostCheckAndWhatTheFilesHold)
{
    // A name that differs in letter case is another host.
    recover([](QByteArray &log) { log.replace("Host=Ann Lee", "Host=ann lee"); });
    EXPECT_EQ(dialogs.messages.at(0).text, u"Bad recovery file found"_qs);
    EXPECT_EQ(room.heard, QStringList({u"Recovery Begun"_qs, titleLine(), u"Recovery Failed"_qs}));
    EXPECT_TRUE(gs.PlayerCount == 0 && gs.GamePhase == GamePhase::NoWords);

    // Which echo counts is the echo finder's; a client that names the host
    // is handed to it.
    room.echo = false;
    const QString echo = u"Ann Lee: "_qs + titleLine(), other = u"Mallory: "_qs + titleLine();
    link.OnDapiEvent("host", 0, "Ann Lee");
    recover({}, {Greeting, other, u"Bo: hello"_qs, echo});
    EXPECT_EQ(gs.GamePhase, GamePhase::Open);
    link.OnDapiEvent("host", 0, "");

    // The room replays the last game's opening first, and the echo comes
    // late: the newest echo is the host's. No echo at all ends the fetching
    // once the echo has had its time, a fetch at each tick from the third.
    recover([](QByteArray &log) { log.replace("Host=Ann Lee", "Host=ann lee"); },
            {Greeting, u"ann lee: "_qs + titleLine(), u"Bo: hello"_qs, echo});
    EXPECT_EQ(gs.GamePhase, GamePhase::NoWords);
    room.onFetch = [&](int n) { room.pending << (n == 40 ? echo : u"Bo: hello"_qs); };
    recover({}, {echo});
    EXPECT_EQ(std::tuple(gs.GamePhase, room.fetches), std::tuple(GamePhase::Open, 40));
    room.onFetch = nullptr;
    recover();
    EXPECT_EQ(room.fetches, EchoWaitTicks + 2);
    EXPECT_EQ(room.heard.last(), u"Recovery Failed"_qs);
    room.echo = true;

    // Without a registration character nothing is said.
    std::tie(gs.RegChar, room.heard) = std::tuple(QString(), QStringList());
    RecoverGame(ctx);
    EXPECT_TRUE(dialogs.messages.back().text.startsWith(u"No registration character is set"_qs));
    EXPECT_TRUE(room.heard.isEmpty());

    // A log of the opening's header only starts afresh; a log or word file
    // that cannot be read stops the recovery where it stands.
    recover([](QByteArray &log) { log.truncate(log.indexOf("\r\n\r\n") + 4); });
    EXPECT_EQ(room.heard,
              QStringList({u"Recovery Begun"_qs, titleLine(), versionLine(), contactLine(),
                           u"ESP a $ to Ann Lee to register."_qs, u"No Recovery File"_qs,
                           u"Everyone Re-Register, please"_qs}));
    EXPECT_EQ(word(), u"Word 1 of 5APPLE"_qs);

    recover([](QByteArray &log) { log.clear(); }); // no log at all
    EXPECT_EQ(dialogs.messages.at(0).text,
              u"File not found\r\n53\r\nError with file: "_qs + gs.LogFile);
    EXPECT_EQ(room.heard, QStringList(u"Recovery Begun"_qs));
    EXPECT_TRUE(!on(Ctl::cmdAsk) && console.state().menusEnabled);

    // A word file that has gone, or cannot be read, is told.
    QFile::remove(path(u"words.txt"_qs));
    recover();
    EXPECT_EQ(dialogs.messages.at(0).text,
              u"File not found\r\n53\r\nError with file: "_qs + gs.WordFile);
    QDir(dir.path()).mkdir(u"words.txt"_qs);
    recover();
    EXPECT_TRUE(dialogs.messages.at(0).text.endsWith(u"\r\nError with file: "_qs + gs.WordFile));
    EXPECT_EQ(gs.GamePhase, GamePhase::NoWords);
}

// The recovery log's promise: whenever the program stops after a logged
// step, a fresh start resumes the game where the log left it.
TEST(ResumePromise, EveryLoggedStepResumesWhereItStood)
{
    std::vector<std::tuple<std::string, QByteArray, QByteArray>> stops; // step, log, state
    GameRound game;
    GameState &gs = game.gs;
    for (BoxRec &b : gs.Boxes) // as a settings file with all boxes in the default set
        b.Available = true;
    // The host gives the winner of word n box 3n - 2 and closes the boxes window.
    game.ctx.showBoxWindow = [&](BoxPick &pick) {
        const int box = gs.WinnerCount * 3 - 2;
        pick.setChecked(box, false);
        gs.Winners[gs.WinnerCount].Box = u"Box %1"_qs.arg(box);
        pick.ask({BoxPick::Ask::Close});
    };
    auto stopHere = [&](const QString &step) {
        stops.emplace_back(step.toStdString(), game.log(), restorable(gs));
    };

    game.openGame("apple\r\nkiwi\r\nfig\r\n");
    stopHere(u"opening"_qs);
    game.registerPlayers({u"Zed"_qs, u"bo"_qs, u"Cy"_qs, u"Di"_qs, u"Ed"_qs});
    stopHere(u"registrations"_qs);

    const QStringList right{u"apple"_qs, u"kiwi"_qs, u"fig"_qs};
    for (int word = 1; word <= 3; ++word) {
        cmdDraw_Click(game.ctx);
        stopHere(u"draw %1"_qs.arg(word));
        cmdAsk_Click(game.ctx);
        stopHere(u"ask %1"_qs.arg(word));
        game.room.say(game.asked(), u"wrong"_qs);
        cmdGet_Click(game.ctx);
        cmdCheck_Click(game.ctx);
        stopHere(u"miss %1"_qs.arg(word));
        game.timeRunsOut();
        stopHere(u"time ran out %1"_qs.arg(word));
        game.answer(right[word - 1]);
        stopHere(u"match %1"_qs.arg(word));
    }
    ASSERT_EQ(gs.WinnerCount, 3);

    for (const auto &[step, log, state] : stops) {
        GameRound r;
        for (BoxRec &b : r.gs.Boxes)
            b.Available = true;
        r.room.pending << u"Lounge: Welcome back, everybody, the game goes on."_qs;
        r.writeFile(u"Orvella.log"_qs, log);
        RecoverGame(r.ctx);
        EXPECT_EQ(r.gs.GamePhase, GamePhase::Open) << step;
        EXPECT_EQ(QString::fromUtf8(restorable(r.gs)), QString::fromUtf8(state)) << step;
        // The controls show the game resumed.
        EXPECT_EQ(r.console.rows(List::lstDown) + r.console.rows(List::lstPlayers),
                  r.downNames() + r.playerNames())
            << step;
        EXPECT_EQ(r.console.selectedRow(List::lstDown), r.gs.DownPointer - 1) << step;
        EXPECT_EQ(r.on(Ctl::cmdAsk), r.gs.DownCount > 0) << step;
        EXPECT_FALSE(r.on(Ctl::mnuRecover) || r.on(Ctl::mnuLoad)) << step;
    }
}
