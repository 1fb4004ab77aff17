#include "gamefixture.h"

// Lines that look like a player's own but are not.

TEST_F(GameTest, GetTakesOnlyTheAskedPlayersOwnLastLine)
{
    openGame("apple\r\n");
    room.echo = false;
    gs.DownCount = gs.DownPointer = 1;
    gs.Down[1].Name = u"Bob"_qs;
    // What the room says, then Bob's answer as read ("-" when none is his).
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{u"Bob: pear"_qs, u"xBob: apple"_qs}, u"PEAR"_qs},
        {{u"Bob: pear"_qs, u"Zed: Bob: apple"_qs, u"Zed: ESP from Bob: apple"_qs}, u"PEAR"_qs},
        {{u"Bob: pear"_qs, u"Bob: I said Bob: plum "_qs}, u"I SAID BOB: PLUM"_qs},
        {{u"Bob: pear"_qs, QString(), u"ESP from Bob: <wave>"_qs, u"Zed: hi"_qs}, u"<WAVE>"_qs},
        {{u"xBob: apple"_qs, u"Zed: I am Bob: apple"_qs}, u"-"_qs},
    };
    for (const auto &[lines, answer] : cases) {
        std::tie(gs.Down[1].Response, room.pending) = std::tuple(u"-"_qs, lines);
        w->cmdGet->setEnabled(true);
        w->cmdGet->click();
        EXPECT_EQ(gs.Down[1].Response, answer) << lines.join(u'|').toStdString();
    }
}

TEST_F(GameTest, OnlyLinesThatArePrivateMessagesRegister)
{
    openGame();
    // A quoted registration neither registers nor starts the scan, so the
    // empty line after it does not hide the real ones.
    room.pending << u"Zed: ESP from Mal: $"_qs << QString() << esp(u"Al"_qs, u"$"_qs);
    w->cmdGetRegs->click();
    room.pending << u"Zed: "_qs + titleLine() + u" ESP from Eve: $"_qs << u"Cy: ESP from Bo: $"_qs
                 << esp(u"Di"_qs, u"$"_qs);
    w->cmdGetRegs->click();
    EXPECT_EQ(playerNames(), QStringList({u"Al"_qs, u"Di"_qs}));
}

TEST_F(GameTest, AnOpeningThatCannotReadTheHostsNameSaysWhyAndUndoesItself)
{
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "tiger\r\n"));
    window().cmdAsk->click();
    // Host, whether the room echoes, chat in front, fetches, what the host is told.
    const std::vector<std::tuple<QString, bool, QString, int, QString>> cases = {
        {u"Ann Lee"_qs, true, QString(), 3, u"too little chat"_qs},
        {QString(38, u'n'), true, Greeting, 3, u"too long"_qs},
        {QString(), true, Greeting, 3, u"without an avatar name"_qs}, // a line break is no name
        {u"Ann Lee"_qs, false, Greeting, 20, u"did not show the title line"_qs},
    };
    for (const auto &[host, echo, before, fetches, says] : cases) {
        std::tie(room.host, room.echo, room.pending, room.fetches) =
            std::tuple(host, echo, QStringList(before), 0);
        dialogs.messages.clear();
        w->cmdAsk->click();
        ASSERT_EQ(dialogs.messages.size(), 1u) << says.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.contains(says) &&
                    dialogs.messages[0].title == u"Start");
        EXPECT_EQ(room.fetches, fetches);
        EXPECT_EQ(gs.HostName + w->cmdAsk->text() + QString::number(gs.GamePhase), u"MeStart1"_qs);
        EXPECT_TRUE(w->cmdAsk->isEnabled() && w->mnuLoad->isEnabled() && w->Macro[1]->isEnabled());
    }
    std::tie(room.host, room.echo, room.pending) =
        std::tuple(u"Ann Lee"_qs, true, QStringList(Greeting));
    w->cmdAsk->click();
    EXPECT_EQ(gs.HostName + QString::number(gs.GamePhase), u"Ann Lee2"_qs);
}
