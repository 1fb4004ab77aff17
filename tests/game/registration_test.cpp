#include "roundfixture.h"

#include "game/gestures.h"

#include <algorithm>

namespace {

class RegistrationTest : public RoundTest
{
protected:
    void SetUp() override { openGame(); }
};

} // namespace

TEST(Gestures, TagsFunctionKeysAndRegistrationKeys)
{
    QString keys;
    for (int n = 2; n <= 11; ++n)
        keys += gestureForFunctionKey(n);
    EXPECT_TRUE(gestureForFunctionKey(1).isNull() && gestureForFunctionKey(12).isNull());
    EXPECT_EQ(keys, QStringLiteral("\u00b0\u00b3\u00b1\u00b2\u00b5\u00b7\u00b8\u00b9\u00b4\u00b6"));
    EXPECT_EQ(gestureTag(QChar(0x00B9)), QStringLiteral("<present>"));
    EXPECT_TRUE(gestureTag(QChar(0x00BA)).isEmpty());
    EXPECT_EQ(regKey(QStringLiteral("\u00b4")), QStringLiteral(": <jump>"));
    EXPECT_EQ(regKey(QStringLiteral("\u00b0\u00b0")), QStringLiteral(": \u00b0\u00b0"));
}

TEST_F(RegistrationTest, OnlyESPsThatEndInTheKeyRegisterUpToAnEmptyLine)
{
    gs.RegChar = QStringLiteral("\u00b0");
    getRegs({esp(QStringLiteral("Bo"), QStringLiteral("<relax>")),
             esp(QStringLiteral("Cy"), QStringLiteral("\u00b0")),
             esp(QStringLiteral("Ann Lee"), QStringLiteral("<relax> please")),
             QStringLiteral("Dee: <relax>"), esp(QStringLiteral("Eve"), QStringLiteral("<relax>")),
             QString(), esp(QStringLiteral("Fay"), QStringLiteral("<relax>"))});
    EXPECT_EQ(playerNames(), QStringList({QStringLiteral("Bo"), QStringLiteral("Eve")}));
    gs.RegChar = QStringLiteral("!");
    getRegs({esp(QStringLiteral("Al"), QStringLiteral("!"))});
    EXPECT_EQ(playerNames().first(), QStringLiteral("Al"));
    EXPECT_EQ(window().lblPlayercnt->text(), QStringLiteral("3"));

    // Nothing to register: the log and the count are still written.
    QFile::remove(gs.LogFile);
    getRegs({QStringLiteral("Cy: nothing to see")});
    EXPECT_EQ(names(logged().Players, logged().PlayerCount), playerNames());
}

TEST_F(RegistrationTest, EachPlayerIsRegisteredAndConfirmedOnce)
{
    gs.Confirm = true;
    // Bo's first ESP came before this game's opening.
    const QString bo = esp(QStringLiteral("Bo"), QStringLiteral("$"));
    getRegs({bo, echo(QStringLiteral("Ann Lee")), bo, bo});
    getRegs({bo});
    EXPECT_EQ(playerNames(), QStringList(QStringLiteral("Bo")));
    EXPECT_EQ(chat.room(2), QStringList(QStringLiteral("Bo|You are registered")));
}

TEST_F(RegistrationTest, TheListIsSortedByLowerCaseNamesAsTheExchangeSortLeavesIt)
{
    registerPlayers({QStringLiteral("bob"), QStringLiteral("Al"), QStringLiteral("Carl")});
    const QStringList sorted = {QStringLiteral("Al"), QStringLiteral("bob"),
                                QStringLiteral("Carl")};
    EXPECT_EQ(playerNames(), sorted);
    EXPECT_EQ(listed(window().lstPlayers), sorted);
    EXPECT_EQ(names(logged().Players, logged().PlayerCount), sorted);
    // Duplicates are exact, and the sort is not stable: "Bob" overtakes "bob".
    registerPlayers({QStringLiteral("Bob"), QStringLiteral("a")});
    EXPECT_EQ(playerNames(),
              QStringList({QStringLiteral("a"), QStringLiteral("Al"), QStringLiteral("Bob"),
                           QStringLiteral("bob"), QStringLiteral("Carl")}));
    EXPECT_EQ(listed(window().lstPlayers), playerNames());
}

TEST_F(RegistrationTest, The151stRegistrationIsTurnedAwayWithOneMessagePerGetRegs)
{
    QStringList many;
    for (int i = 1; i <= MaxPlayers + 3; ++i)
        many << QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0'));
    registerPlayers(many);
    EXPECT_EQ(gs.PlayerCount, MaxPlayers);
    EXPECT_EQ(gs.Players[MaxPlayers].Name, QStringLiteral("P150"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The player list is full (150 players)."));
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Get Regs"));
    registerPlayers({QStringLiteral("P001")}); // no newcomer, no message
    registerPlayers({QStringLiteral("Zed")});
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(RegistrationTest, StrangersInTheChatBreakNothing)
{
    const QString huge(200000, u'x');
    QStringList lines = {esp(QStringLiteral("Say \"hi\""), QStringLiteral("$")),
                         esp(QStringLiteral("100% %player%"), QStringLiteral("$")),
                         esp(QStringLiteral("\u0160ar\u00fcn \u0152l"), QStringLiteral("$")),
                         esp(QStringLiteral("Mal\nESP from Fake"), QStringLiteral("$")),
                         esp(QStringLiteral("Tab\tby"), QStringLiteral("$")),
                         esp(huge, QStringLiteral("$ and more")),
                         QStringLiteral("ESP from"),
                         huge + QStringLiteral(": $")};
    for (int i = 0; i < 20000; ++i) // a flood, mostly repeats, no line end at the last
        lines << esp(QStringLiteral("F%1").arg(i % 40), QStringLiteral("$"));
    getRegs(lines);
    getRegs({esp(QStringLiteral("Lone"), QStringLiteral("$")) + huge});

    QStringList expected = {QStringLiteral("Say \"hi\""), QStringLiteral("100% %player%"),
                            QStringLiteral("\u0160ar\u00fcn \u0152l")};
    for (int i = 0; i < 40; ++i)
        expected << QStringLiteral("F%1").arg(i);
    std::sort(expected.begin(), expected.end(),
              [](const QString &a, const QString &b) { return a.toLower() < b.toLower(); });
    EXPECT_EQ(playerNames(), expected);
    EXPECT_EQ(listed(window().lstPlayers), expected);
    EXPECT_EQ(names(logged().Players, logged().PlayerCount), expected);
}

TEST_F(RegistrationTest, DeletingAPlayer)
{
    frmMain &w = window();
    registerPlayers({QStringLiteral("Al"), QStringLiteral("Bo"), QStringLiteral("Cy")});
    gs.Players[3].Level = 4;
    w.mnuPDelete->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text + dialogs.messages[0].title,
              QStringLiteral("No player selected.Delete?"));

    w.lstPlayers->setCurrentRow(1);
    dialogs.answers = {HostDialogs::Answer::No, HostDialogs::Answer::Yes};
    w.mnuPDelete->trigger();
    EXPECT_EQ(gs.PlayerCount, 3);
    const QByteArray logBefore = logBytes();
    w.mnuPDelete->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[0].text,
              QStringLiteral("Do you want to remove Bo from the game? "));
    EXPECT_EQ(dialogs.questions[0].title, QStringLiteral("Delete Player?"));
    EXPECT_EQ(playerNames(), QStringList({QStringLiteral("Al"), QStringLiteral("Cy")}));
    EXPECT_EQ(listed(w.lstPlayers), playerNames());
    EXPECT_EQ(w.lblPlayercnt->text(), QStringLiteral("3"));
    EXPECT_EQ(logBytes(), logBefore);
    EXPECT_FALSE(w.cmdDraw->isEnabled()); // two cannot make a draw of three

    // A newcomer takes the freed slot, but not Cy's level with it.
    registerPlayers({QStringLiteral("Dee")});
    EXPECT_EQ(gs.Players[3].Name, QStringLiteral("Dee"));
    EXPECT_EQ(gs.Players[3].Level, 0);

    // With every word played a deletion offers no draw.
    gs.WordIndex = 3;
    registerPlayers({QStringLiteral("Eve")});
    w.lstPlayers->setCurrentRow(0);
    dialogs.answers = {HostDialogs::Answer::Yes};
    w.mnuPDelete->trigger();
    EXPECT_EQ(gs.PlayerCount, 3);
    EXPECT_FALSE(w.cmdDraw->isEnabled());
}

TEST_F(RegistrationTest, ListingThePlayers)
{
    frmMain &w = window();
    w.cmdList->click();
    EXPECT_EQ(chat.room(), QStringList(QStringLiteral("--- No players registered ---")));
    EXPECT_FALSE(w.cmdAsk->isEnabled());

    registerPlayers({QStringLiteral("Cy"), QStringLiteral("Al")});
    gs.DownCount = 1;
    gs.Down[1].Name = QStringLiteral("Al");
    w.cmdGet->setEnabled(true);
    w.cmdList->click();
    EXPECT_EQ(chat.room(), QStringList({QStringLiteral("The following players are registered:"),
                                        QStringLiteral("Al"), QStringLiteral("Cy"),
                                        QStringLiteral("-o-o-o-o-")}));
    EXPECT_TRUE(w.cmdAsk->isEnabled() && w.cmdList->isEnabled());
    EXPECT_FALSE(w.cmdGet->isEnabled() || w.cmdCheck->isEnabled());
}
