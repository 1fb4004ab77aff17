#include "gameround.h"

#include "game/busystate.h"
#include "game/draw.h"
#include "game/statusof.h"

#include <QTimer>

#include <map>

namespace {

class TurnTest : public ::testing::Test, protected GameRound
{
protected:
    // Opened on APPLE and KIWI, three players registered, and Bob and Cy
    // called down in this order; the countdown ticks as the window has it.
    void SetUp() override
    {
        ticks2.onTick = [this] { Timer2_Timer(ctx); };
        openGame("apple\r\nkiwi\r\n");
        registerPlayers({u"Bob"_qs, u"Cy"_qs, u"Di"_qs});
        player(u"Cy"_qs).Level = 1;  // drawn after Bob
        player(u"Di"_qs).Level = 66; // never drawn
        gs.DrawCount = 2;
        cmdDraw_Click(ctx);
        ASSERT_EQ(downNames(), QStringList({u"Bob"_qs, u"Cy"_qs}));
        room.heard.clear();
    }
    // Lets the automatic countdown tick until it stops, noting the lines
    // first heard at each tick.
    void runSeconds(const std::function<void(int)> &afterTick)
    {
        ticks2.delivered = 0;
        room.heard.clear();
        ticks2.afterTick = [&](int n) {
            newAt[n] = std::exchange(room.heard, {});
            afterTick(n);
        };
        Waits::pumpUntil([&] { return !ticks2.enabled(); });
        ticks2.afterTick = nullptr;
    }
    std::map<int, QStringList> newAt;
};

} // namespace

// A miss marks the answer and passes the turn on, after the last player to
// the first; a match waits for the box call, then moves to the next word.
TEST_F(TurnTest, AMissPassesTheTurnOnAMatchWaitsForTheBoxCall)
{
    std::tie(gs.Calldown, gs.CalldownMSG, gs.DownPointer) =
        std::tuple(true, u"It's your turn to play"_qs, 2);
    cmdAsk_Click(ctx);
    room.say(u"Cy"_qs, u"apply"_qs);
    cmdGet_Click(ctx);
    EXPECT_EQ(room.heard, QStringList({u"ESP to Cy: It's your turn to play"_qs,
                                       QString(16, u'\u00ab') + QString(16, u'\u00bb'),
                                       u"Cy, your word is A -- -- -- -- "_qs}));
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Check"_qs, u"Countdown"_qs}));
    cmdCheck_Click(ctx);
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    EXPECT_EQ(gs.Guess + QString::number(console.selectedRow(List::lstDown)), u"APPL 0"_qs);
    cmdAsk_Click(ctx);
    room.say(u"Bob"_qs, u"  Apple"_qs);
    cmdGet_Click(ctx);

    ctx.showBoxWindow = [&] {
        // A macro said meanwhile: a step of its own inside the wait.
        QTimer::singleShot(0, [&] {
            LockControls(ctx);
            RestoreControls(ctx);
            // Once the wait has handled its end: only the macro buttons are
            // usable.
            QTimer::singleShot(0, [&] {
                EXPECT_FALSE(console.state().menusEnabled || on(Ctl::cmdDraw) ||
                             on(Ctl::cmdGetRegs));
                EXPECT_TRUE(console.state().macrosEnabled && turnButtons().isEmpty());
                gs.BoxMode = 1; // the host closes the boxes window
            });
        });
    };
    cmdCheck_Click(ctx); // only the host's close ends the box call
    EXPECT_TRUE(room.heard.contains(u"WTG Bob! APPLE is a match"_qs));
    // The winner moves 4 levels back, the others who tried this word 2.
    EXPECT_EQ(player(u"Bob"_qs).Level, 1 + 4);
    EXPECT_EQ(player(u"Cy"_qs).Level, 2 + 2);
    EXPECT_EQ(word(), u"Word 2 of 2KIWI"_qs);
    EXPECT_EQ(gs.DownCount + console.rows(List::lstDown).size(), 0);
}

// Its schedule, and what ends it early: getting the answer (silently), the
// countdown button, and a hand countdown before its first tick, which then
// never comes.
TEST_F(TurnTest, TheAutomaticCountdownAndWhatEndsItEarly)
{
    gs.Auto = 15;
    cmdAsk_Click(ctx);
    QList<int> left;
    runSeconds([&](int n) {
        const GameStatus s = statusOf(gs, {});
        left << s.secondsLeft + 100 * s.secondsFrom;
        if (n == 8) {
            room.say(u"Bob"_qs, u"paper"_qs);
            cmdGet_Click(ctx);
        }
    });
    EXPECT_EQ(newAt[1], QStringList(u"***  You have 15 seconds ***"_qs));
    EXPECT_EQ(newAt[6], QStringList(u"***  Closing in 10 seconds  ***"_qs));
    for (int n = 1; n < 8; ++n)
        EXPECT_TRUE(n == 1 || n == 6 || newAt[n].isEmpty()) << n;
    EXPECT_EQ(ticks2.delivered + room.heard.size(), 8);
    EXPECT_EQ(left, QList<int>({1515, 1514, 1513, 1512, 1511, 1510, 1509, 1508}));
    EXPECT_EQ(statusOf(gs, {}).secondsLeft, -1) << "ended with the Get";
    cmdCheck_Click(ctx);

    // The button cancels it; the same player may be asked again.
    cmdAsk_Click(ctx);
    runSeconds([&](int n) {
        if (n == 3)
            cmdCountdown_Click(ctx);
    });
    EXPECT_EQ(newAt[3].size() + room.heard.size() + dialogs.questions.size(), 0);
    EXPECT_EQ(turnButtons(), QStringList({u"Ask"_qs, u"Get"_qs, u"Countdown"_qs}));
    cmdAsk_Click(ctx);
    EXPECT_EQ(room.heard.last(), u"Cy, your word is p a P e -- "_qs);

    room.heard.clear();
    const int before = ticks.delivered, seconds = ticks2.delivered;
    dialogs.answers = {HostDialogs::Answer::No};
    cmdCountdown_Click(ctx);
    EXPECT_EQ(room.heard, closingLines() << u"Sorry Cy, time ran out"_qs);
    EXPECT_EQ(ticks.delivered - before, 9 * 5);
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    EXPECT_TRUE(ticks2.delivered == seconds && !ticks2.enabled());
}

// What the players' screens are shown through a game, as the wire has it:
// the pattern only once an ask said it (a miss's marks wait for the next
// ask), the word only once won, the winners with their boxes, the leaders.
TEST(StatusOf, ShowsOnlyWhatTheRoomHasHeard)
{
    GameRound r;
    GameState &gs = r.gs;
    const QList<GameStatus::Leader> leaders = {{u"Kit"_qs, 4}};
    r.ctx.showBoxWindow = [&] {
        gs.Winners[gs.WinnerCount].Box = u"Red"_qs;
        gs.BoxMode = BoxMode::EditDefaults;
    };
    const auto play = [&](const QString &name, const QString &text) {
        cmdAsk_Click(r.ctx);
        r.room.say(name, text);
        cmdGet_Click(r.ctx);
        cmdCheck_Click(r.ctx);
    };
    const std::pair<std::function<void()>, const char *> table[] = {
        {[] {}, "phase=idle|word=0|words=0|pattern=|leader=Kit\t4|"},
        {[&] {
             r.openGame("apple\r\nkiwi\r\n");
             r.registerPlayers({u"Bob"_qs, u"Cy"_qs});
             r.player(u"Cy"_qs).Level = 1;
             gs.DrawCount = 2;
         },
         "phase=open|word=0|words=2|pattern=|leader=Kit\t4|"},
        {[&] { cmdDraw_Click(r.ctx); },
         "phase=playing|word=1|words=2|pattern=|called=Bob|called=Cy|up=0|leader=Kit\t4|"},
        {[&] { cmdAsk_Click(r.ctx); },
         "phase=playing|word=1|words=2|pattern=A    |called=Bob|called=Cy|up=0|leader=Kit\t4|"},
        {[&] {
             r.room.say(u"Bob"_qs, u"paper"_qs);
             cmdGet_Click(r.ctx);
             cmdCheck_Click(r.ctx);
         },
         "phase=playing|word=1|words=2|pattern=A    |called=Bob|called=Cy|up=1|leader=Kit\t4|"},
        {[&] { play(u"Cy"_qs, u"apple"_qs); },
         "phase=won|word=1|words=2|pattern=APPLE|winner=Cy\tRed|leader=Kit\t4|"},
        {[&] { cmdDraw_Click(r.ctx); },
         "phase=playing|word=2|words=2|pattern=|called=Bob|called=Cy|up=0|winner=Cy\tRed|"
         "leader=Kit\t4|"},
        {[&] { play(u"Bob"_qs, u"kiwi"_qs); },
         "phase=over|word=2|words=2|pattern=KIWI|winner=Cy\tRed|winner=Bob\tRed|leader=Kit\t4|"},
    };
    for (const auto &[step, wire] : table) {
        step();
        EXPECT_EQ(encodeGameStatus(statusOf(gs, leaders)).replace("\r\n", "|").toStdString(), wire);
    }
}
