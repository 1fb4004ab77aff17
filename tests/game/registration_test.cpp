#include "gameround.h"

#include "game/banner.h"

using RegistrationTest = OpenedGame;

TEST_F(RegistrationTest, OnlyPrivateMessagesThatEndInTheKeyRegisterUpToAnEmptyLine)
{
    // A gesture key is read as the client shows it, a literal key as typed.
    gs.RegChar = u"\u00b0"_qs;
    getRegs({esp(u"Bo"_qs, u"<relax>"_qs), esp(u"Cy"_qs, u"\u00b0"_qs),
             esp(u"Ann Lee"_qs, u"<relax> please"_qs), u"Dee: <relax>"_qs,
             esp(u"Eve"_qs, u"<relax>"_qs), QString(), esp(u"Fay"_qs, u"<relax>"_qs)});
    EXPECT_EQ(playerNames(), QStringList({u"Bo"_qs, u"Eve"_qs}));
    // A quoted registration neither registers nor starts the scan, so the
    // empty line after it does not hide the real ones.
    gs.RegChar = u"!"_qs;
    getRegs({u"Zed: ESP from Mal: !"_qs, QString(), esp(u"Al"_qs, u"!"_qs)});
    getRegs({u"Zed: "_qs + titleLine() + u" ESP from Ivy: !"_qs, u"Cy: ESP from Ty: !"_qs});
    EXPECT_EQ(playerNames(), QStringList({u"Al"_qs, u"Bo"_qs, u"Eve"_qs}));
    EXPECT_EQ(console.caption(Ctl::lblPlayercnt), u"3"_qs);

    // Nothing to register: the log is still written.
    QFile::remove(gs.LogFile);
    getRegs({u"Cy: nothing to see"_qs});
    EXPECT_TRUE(log().contains("\"Al\",0,0\r\n\"Bo\",0,0\r\n\"Eve\",0,0\r\n"));

    // Names with control characters, or a colon and a space, are put
    // together from strangers' messages: "Mal: x" is Mal's own text, as the
    // room and an IRC channel show it, and makes no seat of its own.
    getRegs({esp(u"Mal\nESP from Fake"_qs, u"!"_qs), esp(u"Tab\tby"_qs, u"!"_qs), u"ESP from"_qs,
             esp(QString(200000, u'x'), u"! and more"_qs), esp(u"Mal"_qs, u"x: !"_qs),
             esp(u"Mal_"_qs, u"a: b: !"_qs), esp(u"Gus"_qs, u"!"_qs)});
    EXPECT_EQ(playerNames(), QStringList({u"Al"_qs, u"Bo"_qs, u"Eve"_qs, u"Gus"_qs}));
}

// Bo's first ESP came before this game's opening; he is registered and
// told so once. A player who says the title wipes nobody's registration.
TEST_F(RegistrationTest, EachPlayerOnce)
{
    gs.Confirm = true;
    const QString bo = esp(u"Bo"_qs, u"$"_qs);
    getRegs({bo, u"Ann Lee: "_qs + titleLine(), bo, bo});
    getRegs({bo});
    EXPECT_EQ(room.heard, QStringList(u"ESP to Bo: You are registered"_qs));
    EXPECT_EQ(console.rows(List::lstPlayers), QStringList(u"Bo"_qs));
    // Where the client names the host, only the host's echo starts a game.
    link.OnDapiEvent("host", 0, "Ann Lee");
    getRegs({esp(u"Dee"_qs, u"$"_qs), u"Ann Lee: "_qs + titleLine(), esp(u"Cy"_qs, u"$"_qs),
             u"Mal: "_qs + titleLine()});
    EXPECT_EQ(console.rows(List::lstPlayers), QStringList({u"Bo"_qs, u"Cy"_qs}));
}

TEST_F(RegistrationTest, The151stRegistrationIsTurnedAwayWithOneMessagePerGetRegs)
{
    QStringList many;
    for (int i = 1; i <= MaxPlayers + 3; ++i)
        many << u"P%1"_qs.arg(i, 3, 10, QLatin1Char('0'));
    registerPlayers(many);
    EXPECT_EQ(gs.Players[gs.PlayerCount].Name, u"P150"_qs);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    registerPlayers({u"P001"_qs}); // no newcomer, no message
    registerPlayers({u"Zed"_qs});
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(RegistrationTest, ListingAndDeletingPlayers)
{
    ListPlayers(ctx);
    EXPECT_EQ(room.heard, QStringList(u"--- No players registered ---"_qs));
    registerPlayers({u"Cy"_qs, u"Bo"_qs, u"Al"_qs});
    gs.Players[3].Level = 4;
    ListPlayers(ctx);
    EXPECT_EQ(room.heard, QStringList({u"The following players are registered:"_qs, u"Al"_qs,
                                       u"Bo"_qs, u"Cy"_qs, u"-o-o-o-o-"_qs}));

    console.selectRow(List::lstPlayers, 1);
    dialogs.answers = {HostDialogs::Answer::No, HostDialogs::Answer::Yes};
    DeletePlayer(ctx);
    EXPECT_EQ(gs.PlayerCount, 3);
    DeletePlayer(ctx);
    EXPECT_EQ(console.rows(List::lstPlayers), QStringList({u"Al"_qs, u"Cy"_qs}));
    EXPECT_EQ(console.caption(Ctl::lblPlayercnt), u"2"_qs); // the count follows the list
    EXPECT_FALSE(on(Ctl::cmdDraw));                         // two cannot make a draw of three
    // A newcomer takes the freed slot, but not Cy's level with it.
    registerPlayers({u"Dee"_qs});
    EXPECT_EQ(gs.Players[3].Name + QString::number(gs.Players[3].Level), u"Dee0"_qs);
}

// Not stable: the second "Bob" passes the later "bob". Records move whole.
TEST(SortOrder, EqualAndCaseDifferentNamesEndWhereTheExchangeSortLeavesThem)
{
    GameState gs;
    const QStringList names = {u"bob"_qs, u"Al"_qs,       u"Bob"_qs,  u"carl"_qs,
                               u"al"_qs,  u"BOB"_qs,      u"Carl"_qs, u"bob"_qs,
                               u"AL"_qs,  u"\u00c9va"_qs, u"eve"_qs,  u"Zed"_qs};
    gs.PlayerCount = Integer(names.size());
    for (int i = 1; i <= gs.PlayerCount; ++i)
        gs.Players[i] = PlayerRec{names[i - 1], QString::number(i), float(i), float(-i)};
    SortPlayers(gs);
    QStringList order;
    for (int i = 1; i <= gs.PlayerCount; ++i) {
        const PlayerRec &p = gs.Players[i];
        EXPECT_TRUE(p.Response == QString::number(p.Level) && p.Drawn == -p.Level) << i;
        order << p.Name + u'#' + p.Response;
    }
    EXPECT_EQ(order, QStringList({u"Al#2"_qs, u"al#5"_qs, u"AL#9"_qs, u"bob#1"_qs, u"BOB#6"_qs,
                                  u"bob#8"_qs, u"Bob#3"_qs, u"carl#4"_qs, u"Carl#7"_qs,
                                  u"eve#11"_qs, u"Zed#12"_qs, u"\u00c9va#10"_qs}));
}
