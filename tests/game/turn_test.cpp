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
// The players' screens get the pattern only as an ask says it.
TEST_F(TurnTest, AMissPassesTheTurnOnAMatchWaitsForTheBoxCall)
{
    const auto status = [&] {
        return encodeGameStatus(statusOf(gs, {{u"Kit"_qs, 4}})).replace("\r\n", "|").toStdString();
    };
    std::tie(gs.Calldown, gs.DownPointer) = std::tuple(true, 2);
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
    EXPECT_EQ(status(),
              "phase=playing|word=1|words=2|pattern=A -- -- -- --|called=Bob|called=Cy|up=0|"
              "leader=Kit\t4|");
    cmdAsk_Click(ctx);
    room.say(u"Bob"_qs, u"  Apple"_qs);
    cmdGet_Click(ctx);

    ctx.showBoxWindow = [&](BoxPick &pick) {
        // A macro said meanwhile: a step of its own inside the wait.
        QTimer::singleShot(0, [&, box = &pick] {
            LockControls(ctx);
            RestoreControls(ctx);
            // Once the wait has handled its end: only the macro buttons are
            // usable.
            QTimer::singleShot(0, [&, box] {
                EXPECT_FALSE(console.state().menusEnabled || on(Ctl::cmdDraw) ||
                             on(Ctl::cmdGetRegs));
                EXPECT_TRUE(console.state().macrosEnabled && turnButtons().isEmpty());
                box->ask({BoxPick::Ask::Close}); // the host closes the boxes window
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
    EXPECT_EQ(status(), "phase=won|word=1|words=2|pattern=APPLE|winner=Bob\t|leader=Kit\t4|");
}

// Its schedule, and what ends it early: getting the answer (silently), the
// countdown button, and a hand countdown before its first tick, which then
// never comes.
TEST_F(TurnTest, TheAutomaticCountdownAndWhatEndsItEarly)
{
    gs.Auto = 15;
    cmdAsk_Click(ctx);
    runSeconds([&](int n) {
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
