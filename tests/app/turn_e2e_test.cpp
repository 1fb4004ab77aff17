#include "chat/socketwadapi.h"
#include "support/gamefixture.h"
#include "support/roomprocess.h"

// A whole game of two words against the stand-in chat client in a child
// process, over the real socket; both timers tick from the event loop.
TEST(RoomGame, TwoWordsFromLoadToNoMore)
{
    GameSession game;
    RoomProcess client;
    ASSERT_TRUE(client.start(game.path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    SocketWadapi wadapi(game.path(u"wadapi.sock"_qs));
    game.chat = &wadapi;
    GameState &gs = game.gs;
    ScriptedDialogs &dialogs = game.dialogs;
    auto heard = [&](const QString &line) { return client.waitForLine(u"Ann Lee: "_qs + line); };

    frmMain &m = game.window();
    gs.RegChar = u"\u00b0"_qs; // a gesture character, confirmed
    gs.Confirm = true;
    for (BoxRec &b : gs.Boxes)
        b.Available = true;

    dialogs.files.push_back(game.writeFile(u"words.txt"_qs, "apple\r\nkiwi\r\n"));
    m.cmdAsk->click();
    m.cmdAsk->click();
    ASSERT_TRUE(heard(u"ESP a \u00b0 to Ann Lee to register."_qs));
    client.type(u"esp Bo: \\u00B0"_qs);
    for (const QString &name : {u"Cy"_qs, u"Dee"_qs})
        client.type(u"esp "_qs + name + u": \u00b0"_qs);
    ASSERT_TRUE(client.waitForLine(u"ESP from Dee: <relax>"_qs));
    m.cmdGetRegs->click();
    ASSERT_EQ(game.playerNames(), QStringList({u"Bo"_qs, u"Cy"_qs, u"Dee"_qs}));
    EXPECT_TRUE(client.waitForLine(u"ESP to Bo: You are registered"_qs));

    QStringList winners;
    auto ask = [&](const QString &pattern) {
        m.cmdAsk->click();
        return heard(gs.Down[gs.DownPointer].Name + u", your word is "_qs + pattern);
    };
    auto win = [&](const QString &text, int box) {
        winners << gs.Down[gs.DownPointer].Name;
        const QString line = winners.last() + u": "_qs + text;
        client.type(line);
        EXPECT_TRUE(client.waitForLine(line));
        m.cmdGet->click();
        pickBoxAndClose(box);
        m.cmdCheck->click();
        EXPECT_TRUE(
            heard(u"WTG "_qs + winners.last() + u"! "_qs + text.toUpper() + u" is a match"_qs));
    };

    // Word 1: a match; the misses and the hand countdown are the rig's.
    m.cmdDraw->click();
    EXPECT_TRUE(ask(u"A -- -- -- -- "_qs));
    win(u"apple"_qs, 1);

    // Word 2: the automatic countdown runs out, then the last match.
    m.cmdDraw->click();
    m.mnuFifteen->trigger();
    const QString slow = gs.Down[1].Name;
    dialogs.answers = {HostDialogs::Answer::No};
    m.cmdAsk->click();
    Waits::pumpUntil([&] { return !game.ticks2.enabled(); });
    EXPECT_TRUE(heard(u"***  You have 15 seconds ***"_qs));
    EXPECT_TRUE(heard(u"Sorry "_qs + slow + u", time ran out"_qs));
    m.mnuAutoOff->trigger();
    EXPECT_TRUE(ask(u"K -- -- -- "_qs));
    win(u"kiwi"_qs, 4);

    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"(no more)(no more)"_qs);
    EXPECT_FALSE(m.cmdDraw->isEnabled() || m.cmdAsk->isEnabled());
    ASSERT_EQ(gs.WinnerCount, 2);
    const QStringList boxes{u"Red"_qs, u"Green"_qs};
    for (int i = 1; i <= 2; ++i)
        EXPECT_EQ(gs.Winners[i].Name + gs.Winners[i].Box, winners[i - 1] + boxes[i - 1]);
    EXPECT_TRUE(dialogs.messages.empty());
    m.close();
}
