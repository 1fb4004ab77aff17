#include "turnfixture.h"

#include "chat/chatlink.h"
#include "game/countdown.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>

#include <map>

namespace {

using Answer = HostDialogs::Answer;

class TurnTest : public ::testing::Test, protected TurnSession
{
protected:
    frmMain &m() { return window(); }
    void prepare(QAction *autoCountdown = nullptr)
    {
        setUpTurn({u"APPLE"_qs, u"KIWI"_qs}, {u"Bob"_qs, u"Cy"_qs, u"Di"_qs},
                  {u"Bob"_qs, u"Cy"_qs});
        if (autoCountdown)
            autoCountdown->trigger();
    }
    // Lets the automatic countdown tick until it stops, noting the button's
    // caption and the lines first heard at each tick.
    void runSeconds(const std::function<void(int)> &afterTick = {})
    {
        timer2.delivered = 0;
        captions.clear();
        newAt.clear();
        timer2.afterTick = [&](int n) {
            captions[n] = m().cmdCountdown->text();
            newAt[n] = room.heard;
            room.heard.clear();
            if (afterTick)
                afterTick(n);
        };
        room.heard.clear();
        Waits::pumpUntil([&] { return !timer2.enabled(); });
        timer2.afterTick = nullptr;
    }
    std::map<int, QString> captions;
    std::map<int, QStringList> newAt;
};

} // namespace

TEST_F(TurnTest, AskGetAndAMissThatMarksTheAnswer)
{
    prepare();
    gs.Calldown = true;
    gs.CalldownMSG = u"It's your turn to play"_qs;
    m().cmdAsk->click();
    EXPECT_EQ(room.heard, QStringList({QString(16, u'\u00ab') + QString(16, u'\u00bb'),
                                       u"Bob, your word is A -- -- -- -- "_qs}));
    EXPECT_EQ(room.esps, QStringList(u"Bob: It's your turn to play"_qs));
    EXPECT_TRUE(log().contains("Asked=True\r\nGuess=A    \r\n"));
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Countdown"_qs}));

    room.say(u"Bob"_qs, u"pear"_qs);
    room.say(u"Bob"_qs, u"   paper   "_qs); // his last line counts
    room.say(u"Cy"_qs, u"hi"_qs);
    m().cmdGet->click();
    EXPECT_EQ(m().lblWordOf->text(), u"PAPER"_qs);
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Check"_qs, u"Countdown"_qs}));
    m().cmdGet->click(); // not in the next text: nothing changes
    EXPECT_EQ(gs.Down[1].Response, u"PAPER"_qs);

    m().cmdCheck->click();
    EXPECT_EQ(gs.Guess, u"paPe "_qs);
    EXPECT_EQ(room.heard.last(), u"Sorry Bob.  PAPER is not a match"_qs);
    EXPECT_EQ(player(u"Bob"_qs).Drawn, 1);
    EXPECT_EQ(m().lstDown->currentRow(), 1);
    EXPECT_EQ(m().lblWordOf->text(), u"Word 1 of 2"_qs);
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    EXPECT_TRUE(log().contains("Guess=paPe \r\n"));

    // The next player sees the marks; after the last player, the first.
    m().cmdAsk->click();
    EXPECT_EQ(room.heard.last(), u"Cy, your word is p a P e -- "_qs);
    room.echo = false;
    room.pending = QStringList(u"Cy: apples"_qs); // a text that begins with his line
    m().cmdGet->click();
    m().cmdCheck->click();
    EXPECT_EQ(gs.Guess, u"APPLE"_qs);
    EXPECT_EQ(gs.DownPointer, 1);
    EXPECT_EQ(m().lstDown->currentRow(), 0);
}

TEST_F(TurnTest, AnswersOfAnyShapeAreReadAndChecked)
{
    prepare();
    room.echo = false;
    const std::pair<QString, QString> cases[] = {
        {u"Bob:"_qs, QString()},
        {u"Bob:      "_qs, QString()},
        {u"Bob:\tkiwi\u0001\u007f"_qs, u"\tKIWI\u0001\u007f"_qs},
        {u"Bob: a\rb: c"_qs, u"A\rB: C"_qs},
        {u"Bob: "_qs + QString(5000, u'x'), QString(5000, u'X')},
    };
    for (const auto &[line, response] : cases) {
        gs.DownPointer = 1;
        m().cmdAsk->setEnabled(true);
        m().cmdAsk->click();
        room.pending << line;
        m().cmdGet->click();
        EXPECT_EQ(gs.Down[1].Response, response) << line.left(20).toStdString();
        m().cmdCheck->click();
        EXPECT_EQ(room.heard.last(), u"Sorry Bob.  "_qs + response + u" is not a match"_qs);
    }
    EXPECT_EQ(gs.Guess, u"     "_qs);
}

TEST_F(TurnTest, AMatchWaitsForTheBoxCallThenMovesOn)
{
    setUpTurn({u"APPLE"_qs, u"FIG"_qs}, {u"Bob"_qs, u"Cy"_qs, u"Di"_qs, u"Ed"_qs},
              {u"Bob"_qs, u"Cy"_qs, u"Di"_qs});
    gs.Macros[3].Text = u"Pick a box, %player%!"_qs;
    for (int i : {1, 4, 7})
        gs.Boxes[i].Available = true;
    gs.DownPointer = 2;
    askAndAnswer(u"apply"_qs);
    m().cmdCheck->click();
    askAndAnswer(u"  Apple"_qs);

    bool checked = false;
    whenBoxWindowShows([&](frmBox &box) {
        m().Macro[3]->click();
        // Once the wait has handled the macro's end: only the macro buttons
        // are usable.
        QTimer::singleShot(0, &box, [&] {
            checked = true;
            EXPECT_EQ(room.heard.last(), u"Pick a box, Di!"_qs);
            EXPECT_FALSE(m().mnuEdit->menuAction()->isEnabled() || m().cmdDraw->isEnabled());
            EXPECT_TRUE(m().Macro[3]->isEnabled() && turnButtons().isEmpty());
            box.cmdCall_Click();
            box.lblBox_Click(4);
            box.close();
        });
    });
    m().cmdCheck->click();
    ASSERT_TRUE(checked);
    EXPECT_TRUE(room.heard.contains(u"WTG Di! APPLE is a match"_qs));
    EXPECT_TRUE(room.heard.contains(u" -- Red, Green, Pink -- "_qs));
    EXPECT_EQ(gs.Winners[1].Name + gs.Winners[1].Box, u"DiGreen"_qs);
    EXPECT_FALSE(gs.Boxes[4].Available);
    // The winner moves 4 levels back, the others who tried this word 2.
    EXPECT_EQ(player(u"Di"_qs).Level, 5);
    EXPECT_EQ(player(u"Cy"_qs).Level, 3);
    EXPECT_EQ(player(u"Bob"_qs).Level, 1);
    EXPECT_EQ(m().lblWordOf->text() + m().lblWord->text(), u"Word 2 of 2FIG"_qs);
    EXPECT_EQ(gs.DownCount + gs.DownPointer + m().lstDown->count(), 0);
    EXPECT_TRUE(m().vsDrawCnt->isEnabled() && m().cmdDraw->isEnabled());
    EXPECT_TRUE(log().contains("[Winners]\r\nCount= 1 \r\n\"Di\",\"Green\"\r\n"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A match on the last word ends the game.
    setUpTurn({u"FIG"_qs}, {u"Bob"_qs, u"Cy"_qs}, {u"Bob"_qs, u"Cy"_qs});
    askAndAnswer(u"fig"_qs);
    pickBoxAndClose(0);
    m().cmdCheck->click();
    EXPECT_EQ(gs.WordIndex, 2);
    EXPECT_EQ(m().lblWordOf->text() + m().lblWord->text(), u"(no more)(no more)"_qs);
    EXPECT_FALSE(m().cmdDraw->isEnabled());
    EXPECT_TRUE(turnButtons().isEmpty());
}

TEST_F(TurnTest, TheMatchEndsCleanlyWhenTheLinkBreaksOrTheWindowCloses)
{
    prepare();
    askAndAnswer(u"apple"_qs);
    room.breakOn = [](const QString &line) { return line.startsWith(u"WTG"_qs); };
    m().cmdCheck->click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(gs.WinnerCount, 0);
    EXPECT_EQ(player(u"Bob"_qs).Level, 1);
    EXPECT_EQ(shownBoxWindow(), nullptr);
    EXPECT_TRUE(m().cmdCheck->isEnabled());

    room.breakOn = nullptr;
    room.InitDDE({}, &m().link());
    m().show();
    bool shown = false;
    whenBoxWindowShows([&](frmBox &) {
        shown = true;
        m().close();
    });
    m().cmdCheck->click();
    EXPECT_TRUE(shown && Waits::abandoned());
    EXPECT_EQ(shownBoxWindow(), nullptr);
    EXPECT_EQ(gs.BoxMode, 1);
    EXPECT_EQ(gs.WordIndex, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TurnTest, HandCountdown)
{
    prepare();
    m().cmdAsk->click();
    room.heard.clear();
    const int ticks = timer1.delivered;
    dialogs.answers = {Answer::No};
    m().cmdCountdown->click();
    EXPECT_EQ(room.heard, closingLines() << u"Sorry Bob, time ran out"_qs);
    EXPECT_EQ(timer1.delivered - ticks, 9 * 5);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text + dialogs.questions[0].title,
              u"Did Bob respond in time??Countdown"_qs);
    EXPECT_EQ(player(u"Bob"_qs).Drawn, 1);
    EXPECT_EQ(m().lstDown->currentRow(), 1);
    EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    EXPECT_TRUE(log().contains("Pointer= 2 \r\n"));

    // Yes without his line: still asked. Yes with it: the answer is read.
    m().cmdAsk->click();
    dialogs.answers = {Answer::Yes};
    m().cmdCountdown->click();
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Countdown"_qs}));
    room.say(u"Cy"_qs, u"apple"_qs);
    dialogs.answers = {Answer::Yes};
    m().cmdCountdown->click();
    EXPECT_EQ(gs.Down[2].Response, u"APPLE"_qs);
    EXPECT_EQ(turnButtons(), QStringList({u"Get"_qs, u"Check"_qs, u"Countdown"_qs}));
}

TEST_F(TurnTest, AutomaticCountdownOnSchedule)
{
    for (int seconds : {15, 60}) {
        prepare(seconds == 15 ? m().mnuFifteen : m().mnuSixty);
        m().cmdAsk->click();
        dialogs.answers = {Answer::No};
        runSeconds();
        const int warning = seconds - 9, closing = seconds - 4;
        EXPECT_EQ(timer2.delivered, closing);
        EXPECT_EQ(newAt[1],
                  QStringList(QStringLiteral("***  You have %1 seconds ***").arg(seconds)));
        EXPECT_EQ(newAt[warning], QStringList(u"***  Closing in 10 seconds  ***"_qs));
        EXPECT_EQ(newAt[closing], closingLines() << u"Sorry Bob, time ran out"_qs);
        for (int n = 1; n < closing; ++n) {
            EXPECT_EQ(captions[n], QStringLiteral("Auto %1").arg(seconds + 1 - n));
            EXPECT_TRUE(n == 1 || n == warning || newAt[n].isEmpty()) << n;
        }
        EXPECT_EQ(captions[closing], QStringLiteral("Auto %1").arg(seconds));
        EXPECT_EQ(turnButtons(), QStringList(u"Ask"_qs));
    }
}

TEST_F(TurnTest, WhatEndsAnAutomaticCountdownEarly)
{
    // Getting the answer, silently.
    prepare(m().mnuFifteen);
    m().cmdAsk->click();
    runSeconds([&](int n) {
        if (n == 8) {
            room.say(u"Bob"_qs, u"apple"_qs);
            m().cmdGet->click();
        }
    });
    EXPECT_EQ(timer2.delivered, 8);
    EXPECT_TRUE(room.heard.isEmpty());
    EXPECT_EQ(m().cmdCountdown->text(), u"Countdown"_qs);
    pickBoxAndClose(2);
    m().cmdCheck->click();
    EXPECT_EQ(m().cmdCountdown->text(), u"Auto 15"_qs);

    // The countdown button cancels it; the same player may be asked again,
    // and a setting changed meanwhile applies from that ask.
    prepare(m().mnuFifteen);
    m().cmdAsk->click();
    runSeconds([&](int n) {
        if (n == 3) {
            m().mnuSixty->trigger();
            m().cmdCountdown->click();
        }
    });
    EXPECT_EQ(newAt[3].size() + room.heard.size(), 0);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(m().cmdCountdown->text(), u"Countdown"_qs);
    EXPECT_EQ(turnButtons(), QStringList({u"Ask"_qs, u"Get"_qs, u"Countdown"_qs}));
    m().cmdAsk->click();
    EXPECT_EQ(room.heard.last(), u"Bob, your word is A -- -- -- -- "_qs);
    EXPECT_EQ(gs.CountdownLeft, 60);

    // A hand countdown before the first tick stops the armed one.
    timer2.delivered = 0;
    dialogs.answers = {Answer::No};
    m().cmdCountdown->click();
    EXPECT_FALSE(timer2.enabled());
    EXPECT_EQ(timer2.delivered, 0);
    EXPECT_EQ(room.heard.last(), u"Sorry Bob, time ran out"_qs);

    // A link that breaks during a tick stops it as if cancelled.
    m().cmdAsk->click();
    room.breakOn = [](const QString &line) { return line.contains(u"You have"_qs); };
    runSeconds();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(gs.CountdownOn);
    EXPECT_EQ(turnButtons(), QStringList({u"Ask"_qs, u"Get"_qs, u"Countdown"_qs}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
