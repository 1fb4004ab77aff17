#include "gamefixture.h"

#include "chat/chatlink.h"
#include "game/countdown.h"

#include <map>

namespace {

using Answer = HostDialogs::Answer;

class TurnTest : public GameTest
{
protected:
    // Opened on APPLE and KIWI, three players registered, and Bob and Cy
    // called down in this order.
    void SetUp() override
    {
        openGame("apple\r\nkiwi\r\n");
        registerPlayers({u"Bob"_qs, u"Cy"_qs, u"Di"_qs});
        player(u"Cy"_qs).Level = 1;  // drawn after Bob
        player(u"Di"_qs).Level = 66; // never drawn
        w->vsDrawCnt->setValue(-2);
        w->cmdDraw->click();
        ASSERT_EQ(downNames(), QStringList({u"Bob"_qs, u"Cy"_qs}));
        room.heard.clear();
    }
    // Ask, the player's answer in the room, Get.
    void askAndAnswer(const QString &answer)
    {
        w->cmdAsk->click();
        room.say(gs.Down[gs.DownPointer].Name, answer);
        w->cmdGet->click();
    }
    QStringList turnButtons() const
    {
        QStringList on;
        for (QPushButton *b : {w->cmdAsk, w->cmdGet, w->cmdCheck, w->cmdCountdown})
            if (b->isEnabled())
                on << b->objectName().mid(3);
        return on;
    }
    // Lets the automatic countdown tick until it stops, noting the lines
    // first heard at each tick.
    void runSeconds(const std::function<void(int)> &afterTick = {})
    {
        ticks2.delivered = 0;
        room.heard.clear();
        ticks2.afterTick = [&](int n) {
            newAt[n] = room.heard;
            room.heard.clear();
            if (afterTick)
                afterTick(n);
        };
        Waits::pumpUntil([&] { return !ticks2.enabled(); });
        ticks2.afterTick = nullptr;
    }
    std::map<int, QStringList> newAt;
};

} // namespace

TEST_F(TurnTest, AskGetAndAMissPassTheTurnOn)
{
    gs.Calldown = true;
    gs.CalldownMSG = u"It's your turn to play"_qs;
    askAndAnswer(u"paper"_qs);
    EXPECT_EQ(room.heard, QStringList({u"ESP to Bob: It's your turn to play"_qs,
                                       QString(16, u'\u00ab') + QString(16, u'\u00bb'),
                                       u"Bob, your word is A -- -- -- -- "_qs}));
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Check"_qs, u"Countdown"_qs}));
    w->cmdCheck->click();
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    // After the last player, the first.
    askAndAnswer(u"apples"_qs);
    w->cmdCheck->click();
    EXPECT_EQ(gs.Guess, u"APPLE"_qs);
    EXPECT_EQ(w->lstDown->currentRow(), 0);
}

TEST_F(TurnTest, AMatchWaitsForTheBoxCallThenMovesOn)
{
    gs.Macros[3].Text = u"Pick a box, %player%!"_qs;
    for (int i : {1, 4, 7})
        gs.Boxes[i].Available = true;
    gs.DownPointer = 2;
    askAndAnswer(u"apply"_qs);
    w->cmdCheck->click();
    askAndAnswer(u"  Apple"_qs);

    bool checked = false;
    whenBoxWindowShows([&](frmBox &box) {
        w->Macro[3]->click();
        // Once the wait has handled the macro's end: only the macro buttons
        // are usable.
        QTimer::singleShot(0, &box, [&] {
            checked = true;
            EXPECT_EQ(room.heard.last(), u"Pick a box, Bob!"_qs);
            EXPECT_FALSE(w->mnuEdit->menuAction()->isEnabled() || w->cmdDraw->isEnabled());
            EXPECT_TRUE(w->Macro[3]->isEnabled() && turnButtons().isEmpty());
            box.cmdCall_Click();
            box.lblBox_Click(4);
            box.close();
        });
    });
    w->cmdCheck->click();
    ASSERT_TRUE(checked);
    EXPECT_TRUE(room.heard.contains(u"WTG Bob! APPLE is a match"_qs));
    // The winner moves 4 levels back, the others who tried this word 2.
    EXPECT_EQ(player(u"Bob"_qs).Level, 1 + 4);
    EXPECT_EQ(player(u"Cy"_qs).Level, 2 + 2);
    EXPECT_EQ(w->lblWordOf->text() + w->lblWord->text(), u"Word 2 of 2KIWI"_qs);
    EXPECT_EQ(gs.DownCount + w->lstDown->count(), 0);
}

// Clicked before the automatic countdown's first tick, which then never comes.
TEST_F(TurnTest, HandCountdownBeforeTheAutomaticOnesFirstTick)
{
    w->mnuFifteen->trigger();
    w->cmdAsk->click();
    room.heard.clear();
    const int before = ticks.delivered;
    dialogs.answers = {Answer::No};
    w->cmdCountdown->click();
    EXPECT_EQ(room.heard, closingLines() << u"Sorry Bob, time ran out"_qs);
    EXPECT_EQ(ticks.delivered - before, 9 * 5);
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    EXPECT_TRUE(ticks2.delivered == 0 && !ticks2.enabled());
}

// Its schedule, and what ends it early: getting the answer (silently), the
// countdown button, a link that breaks.
TEST_F(TurnTest, TheAutomaticCountdownAndWhatEndsItEarly)
{
    w->mnuFifteen->trigger();
    w->cmdAsk->click();
    runSeconds([&](int n) {
        if (n == 8) {
            room.say(u"Bob"_qs, u"paper"_qs);
            w->cmdGet->click();
        }
    });
    EXPECT_EQ(newAt[1], QStringList(u"***  You have 15 seconds ***"_qs));
    EXPECT_EQ(newAt[6], QStringList(u"***  Closing in 10 seconds  ***"_qs));
    for (int n = 1; n < 8; ++n)
        EXPECT_TRUE(n == 1 || n == 6 || newAt[n].isEmpty()) << n;
    EXPECT_EQ(ticks2.delivered + room.heard.size(), 8);
    w->cmdCheck->click();

    // The button cancels it; the same player may be asked again.
    w->cmdAsk->click();
    runSeconds([&](int n) {
        if (n == 3)
            w->cmdCountdown->click();
    });
    EXPECT_EQ(newAt[3].size() + room.heard.size() + dialogs.questions.size(), 0);
    EXPECT_EQ(turnButtons(), QStringList({u"Ask"_qs, u"Get"_qs, u"Countdown"_qs}));
    w->cmdAsk->click();
    EXPECT_EQ(room.heard.last(), u"Cy, your word is p a P e -- "_qs);

    room.breakOn = [](const QString &line) { return line.contains(u"You have"_qs); };
    runSeconds();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(gs.CountdownOn || QApplication::overrideCursor());
    EXPECT_EQ(turnButtons(), QStringList({u"Ask"_qs, u"Get"_qs, u"Countdown"_qs}));
}

// A macro runs while the automatic countdown ticks, closes the turn inside
// the macro's pauses and, on the host's Yes, reads the room's chat: the
// macro still says exactly its own lines, and nothing the busy state
// disabled comes back before it ends.
TEST_F(TurnTest, AMacroDuringACountdownThatEndsWithYes)
{
    w->mnuFifteen->trigger();
    w->cmdAsk->click();
    room.say(gs.Down[gs.DownPointer].Name, u"apple"_qs);
    room.pending << esp(u"Zed"_qs, u"my secret"_qs);
    room.heard.clear();

    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << u"line %1"_qs.arg(i);
    std::tie(gs.Macros[1].Text, dialogs.answers) =
        std::tuple(lines.join(u"\r\n"_qs), std::deque{HostDialogs::Answer::Yes});
    auto busyStateOn = [&](bool on) {
        return w->Macro[2]->isEnabled() + w->mnuFile->menuAction()->isEnabled() +
                   w->cmdGetRegs->isEnabled() + w->cmdDraw->isEnabled() + w->cmdList->isEnabled() ==
               (on ? 0 : 5);
    };
    int lockedTicks = 0;
    ticks2.afterTick = [&](int) { lockedTicks += busyStateOn(true); };
    // Whatever else cuts a block meanwhile.
    ticks.afterTick = [&, start = ticks.delivered](int n) {
        if (n == start + 3)
            w->link().GetNext(u"stray\r\nlines"_qs, u"\r\n"_qs);
    };
    w->Macro[1]->click();

    EXPECT_EQ(gs.Down[gs.DownPointer].Response, u"APPLE"_qs);
    EXPECT_EQ(lockedTicks, ticks2.delivered);
    const qsizetype closed = room.heard.indexOf(u"* CLOSED *"_qs);
    EXPECT_TRUE(closed >= 0 && closed < room.heard.indexOf(lines.last()));
    QStringList said = room.heard;
    said.removeIf([](const QString &l) { return l.startsWith(u'*'); });
    EXPECT_EQ(said, lines);
    EXPECT_TRUE(busyStateOn(false) && !QApplication::overrideCursor());
}
