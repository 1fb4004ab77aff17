#include "gamefixture.h"

#include "chat/socketwadapi.h"
#include "room/roomprocess.h"

// A whole game of three words against the stand-in chat client in a child
// process, over the real socket; both timers tick from the event loop.
TEST(GameWithTheRoom, ThreeWordsFromLoadToNoMore)
{
    GameSession g;
    RoomProcess room;
    ASSERT_TRUE(room.start(g.path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    SocketWadapi wadapi(g.path(u"wadapi.sock"_qs));
    g.chat = &wadapi;
    frmMain &w = g.window();
    GameState &gs = g.gs;
    for (BoxRec &b : gs.Boxes)
        b.Available = true;
    auto heard = [&](const QString &line) { return room.waitForLine(u"Ann Lee: "_qs + line); };

    g.dialogs.files.push_back(g.writeFile(u"words.txt"_qs, "apple\r\nkiwi\r\nfig\r\n"));
    w.cmdAsk->click();
    w.cmdAsk->click();
    ASSERT_TRUE(heard(u"ESP a $ to Ann Lee to register."_qs));
    for (const QString &name : {u"Bo"_qs, u"Cy"_qs, u"Dee"_qs})
        room.type(u"esp "_qs + name + u": $"_qs);
    ASSERT_TRUE(room.waitForLine(u"ESP from Dee: $"_qs));
    w.cmdGetRegs->click();
    ASSERT_EQ(gs.PlayerCount, 3);

    QStringList winners;
    auto ask = [&](const QString &pattern) {
        w.cmdAsk->click();
        return heard(gs.Down[gs.DownPointer].Name + u", your word is "_qs + pattern);
    };
    auto answer = [&](const QString &text) {
        const QString line = gs.Down[gs.DownPointer].Name + u": "_qs + text;
        room.type(line);
        EXPECT_TRUE(room.waitForLine(line));
        w.cmdGet->click();
    };
    auto win = [&](const QString &text, int box) {
        winners << gs.Down[gs.DownPointer].Name;
        answer(text);
        pickBoxAndClose(box);
        w.cmdCheck->click();
        EXPECT_TRUE(
            heard(u"WTG "_qs + winners.last() + u"! "_qs + text.toUpper() + u" is a match"_qs));
    };

    // Word 1: a miss with marks, a hand countdown, a match.
    w.cmdDraw->click();
    EXPECT_TRUE(ask(u"A -- -- -- -- "_qs));
    answer(u"paper"_qs);
    w.cmdCheck->click();
    EXPECT_TRUE(heard(u"Sorry "_qs + gs.Down[1].Name + u".  PAPER is not a match"_qs));
    EXPECT_TRUE(ask(u"p a P e -- "_qs));
    g.dialogs.answers = {HostDialogs::Answer::No};
    w.cmdCountdown->click();
    EXPECT_TRUE(heard(u"Sorry "_qs + gs.Down[2].Name + u", time ran out"_qs));
    EXPECT_TRUE(ask(u"p a P e -- "_qs));
    win(u"apple"_qs, 1);

    // Word 2: the automatic countdown runs out, then a match.
    w.cmdDraw->click();
    w.mnuFifteen->trigger();
    const QString slow = gs.Down[1].Name;
    g.dialogs.answers = {HostDialogs::Answer::No};
    w.cmdAsk->click();
    Waits::pumpUntil([&] { return !g.ticks2.enabled(); });
    EXPECT_TRUE(heard(u"***  You have 15 seconds ***"_qs));
    EXPECT_TRUE(heard(u"Sorry "_qs + slow + u", time ran out"_qs));
    w.mnuAutoOff->trigger();
    EXPECT_TRUE(ask(u"K -- -- -- "_qs));
    win(u"kiwi"_qs, 4);

    // Word 3: a miss, then the last match.
    w.cmdDraw->click();
    EXPECT_TRUE(ask(u"F -- -- "_qs));
    answer(u"fog"_qs);
    w.cmdCheck->click();
    EXPECT_TRUE(ask(u"F -- G "_qs));
    win(u"fig"_qs, 7);

    EXPECT_EQ(w.lblWordOf->text() + w.lblWord->text(), u"(no more)(no more)"_qs);
    EXPECT_FALSE(w.cmdDraw->isEnabled() || w.cmdAsk->isEnabled());
    ASSERT_EQ(gs.WinnerCount, 3);
    const QStringList boxes{u"Red"_qs, u"Green"_qs, u"Pink"_qs};
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(gs.Winners[i].Name + gs.Winners[i].Box, winners[i - 1] + boxes[i - 1]);
    EXPECT_TRUE(g.dialogs.messages.empty());
    w.close();
}
