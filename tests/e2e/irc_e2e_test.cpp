#include "irc/ircfakes.h"

#include "support/gamefixture.h"
#include "support/ircserverprocess.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"
#include "transport/socketwadapi.h"

// A game of two words hosted by the real program through orvella-irc in a
// real IRC channel (ngircd on a free loopback port), with three people on
// plain IRC connections; the server is killed and started again between
// the words, and killed for good in the third. Real time throughout: a real server and the real
// client, which paces the host's lines by its own clock and holds them through an outage (5 s).
TEST(GameOnIrc, TwoWordsWithTheServerRestartedBetweenAndAThirdCutShort)
{
    if (!QFile::exists(QStringLiteral(NGIRCD_EXE)))
        GTEST_SKIP() << "ngircd is not installed (scripts/install-deps.sh installs it)";
    GameRig g;
    IrcServerProcess server(IrcServerProcess::Kind::Ngircd, QStringLiteral(NGIRCD_EXE));
    const quint16 port = server.port();
    std::map<QString, IrcPeer> players;
    auto startServerAndJoin = [&] {
        bool ok = server.start();
        for (const char *nick : {"Bo", "Cy", "Dee"})
            ok = ok && players[QString::fromLatin1(nick)].join(port, nick, "#game");
        return ok;
    };
    ASSERT_TRUE(startServerAndJoin());
    RoomProcess irc;
    ASSERT_TRUE(
        irc.launch(QStringLiteral(ORVELLA_IRC_EXE),
                   {u"--server"_qs, u"127.0.0.1:%1"_qs.arg(port), u"--channel"_qs, u"#game"_qs,
                    u"--nick"_qs, u"Ann Lee"_qs, u"--socket"_qs, g.path(u"wadapi.sock"_qs),
                    u"--burst"_qs, u"100"_qs, u"--interval"_qs, u"10"_qs, u"--hold"_qs, u"5"_qs},
                   u"Joined #game as Ann_Lee."_qs));

    SocketWadapi wadapi(g.path(u"wadapi.sock"_qs));
    g.chat = &wadapi;
    frmMain &w = g.window();
    // The fastest speed, so a draw's lines fit the client's hold of them.
    std::tie(g.gs.RegChar, g.gs.Confirm, g.gs.Delay) = std::tuple(u"\u00b0"_qs, true, 0);
    for (BoxRec &b : g.gs.Boxes)
        b.Available = true;
    // The server drops the spaces that end a line.
    IrcPeer &bo = players[u"Bo"_qs];
    auto heard = [&](const QString &line) {
        return !bo.waitFor("PRIVMSG #game :" + line.toUtf8().trimmed()).isEmpty();
    };
    auto roomShows = [&](const QString &line) { return irc.waitForLine(u"| "_qs + line); };

    g.dialogs.files.push_back(g.writeFile(u"words.txt"_qs, "apple\r\nfig\r\nkiwi\r\n"));
    part(w, "cmdAsk")->click();
    part(w, "cmdAsk")->click();
    ASSERT_TRUE(heard(u"ESP a \u00b0 to Ann_Lee to register."_qs));
    // A gesture, as an action, typed, or as its tag.
    bo.say("PRIVMSG Ann_Lee :\001ACTION relaxes\001");
    players[u"Cy"_qs].say("PRIVMSG Ann_Lee :\xc2\xb0");
    players[u"Dee"_qs].say("PRIVMSG Ann_Lee :<relax>");
    for (const QString &name : {u"Bo"_qs, u"Cy"_qs, u"Dee"_qs})
        ASSERT_TRUE(irc.waitForLine(u"ESP from "_qs + name + u": <relax>"_qs));
    part(w, "cmdGetRegs")->click();
    ASSERT_EQ(g.playerNames(), QStringList({u"Bo"_qs, u"Cy"_qs, u"Dee"_qs}));

    auto win = [&](const QString &pattern, const QString &text, int box) {
        part(w, "cmdAsk")->click();
        const QString name = g.gs.Down[g.gs.DownPointer].Name;
        EXPECT_TRUE(heard(name + u", your word is "_qs + pattern));
        players[name].say("PRIVMSG #game :" + text.toUtf8());
        EXPECT_TRUE(roomShows(name + u": "_qs + text));
        part(w, "cmdGet")->click();
        pickBoxAndClose(box);
        part(w, "cmdCheck")->click();
        EXPECT_TRUE(heard(u"WTG "_qs + name + u"! "_qs + text.toUpper() + u" is a match"_qs));
    };
    part(w, "cmdDraw")->click();
    win(u"A -- -- -- -- "_qs, u"apple"_qs, 1);

    // The server dies: what the host says meanwhile waits, and reaches the
    // channel in order once the client is back.
    const QString lost = u"*** The connection to the IRC server was lost; reconnecting."_qs;
    server.kill();
    ASSERT_TRUE(roomShows(lost));
    part(w, "cmdDraw")->click();
    ASSERT_TRUE(startServerAndJoin());
    ASSERT_TRUE(roomShows(u"*** Back in #game as Ann_Lee."_qs));
    EXPECT_TRUE(heard(u"The following players have been selected to play:"_qs));
    for (int i = 1; i <= g.gs.DownCount; ++i)
        EXPECT_TRUE(heard(u"%1. %2, come on down!"_qs.arg(i).arg(g.gs.Down[i].Name)));
    EXPECT_TRUE(heard(u"-o-o-o-"_qs));
    win(u"F -- -- "_qs, u"fig"_qs, 4);
    EXPECT_TRUE(g.dialogs.messages.empty());

    // Gone for longer than the client holds lines: the host is told, and the
    // step that waits for the answer is undone.
    part(w, "cmdDraw")->click();
    ASSERT_TRUE(roomShows(u"Ann_Lee: -o-o-o-"_qs)); // answered, so not lost with the server
    server.kill();
    ASSERT_TRUE(roomShows(lost));
    part(w, "cmdAsk")->click();
    part(w, "cmdGet")->click();
    ASSERT_EQ(g.dialogs.messages.size(), 1u);
    EXPECT_TRUE(
        g.dialogs.messages[0].text.endsWith(u"of your lines may not have reached the room."_qs))
        << g.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(roomShows(u"*** Still not in #game after 5 s;"_qs));
    EXPECT_TRUE(part(w, "cmdGet")->isEnabled()) << "the step is undone";
    w.close();
}
