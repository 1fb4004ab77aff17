#include "support/gamefixture.h"

#include "chat/chatlink.h"

namespace {

// Opened on APPLE under Ann Lee, three players registered and two of them
// called down, as many as the draw-count scroll bar says.
class GameWindowTest : public GameTest
{
protected:
    void SetUp() override
    {
        dialogs.files.push_back(writeFile(u"words.txt"_qs, "apple\r\n"));
        window().cmdAsk->click();
        room.pending << Greeting;
        w->cmdAsk->click();
        room.pending << esp(u"Bob"_qs, u"$"_qs) << esp(u"Cy"_qs, u"$"_qs) << esp(u"Di"_qs, u"$"_qs);
        w->cmdGetRegs->click();
        w->vsDrawCnt->setValue(-2);
        w->cmdDraw->click();
    }
};

} // namespace

// One that cannot read the host's name leaves the window as it stood; a
// close while it waits ends it quietly.
TEST_F(GameTest, TheOpeningUndoneOrClosed)
{
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "apple\r\n"));
    window().cmdAsk->click();
    std::tie(room.host, room.pending) = std::tuple(QString(), QStringList(Greeting));
    w->cmdAsk->click();
    EXPECT_EQ(gs.HostName + w->cmdAsk->text() + QString::number(gs.GamePhase), u"MeStart1"_qs);

    room.onFetch = [&](int) { w->close(); };
    w->cmdAsk->click();
    EXPECT_TRUE(room.log.contains(u"K"_qs) && dialogs.messages.size() == 1u); // the undoing's
    EXPECT_FALSE(ticks.enabled() || QApplication::overrideCursor());
}

TEST_F(GameWindowTest, TheListsShowTheDrawAndTheirMenusActOnTheMarkedRow)
{
    ASSERT_TRUE(gs.DownCount == 2 && listed(w->lstDown) == downNames() &&
                w->lstDown->currentRow() == 0);
    const QStringList before = downNames();
    w->lstDown->setCurrentRow(1);
    w->mnuDPDraw->trigger();
    EXPECT_TRUE(listed(w->lstDown) == downNames() && downNames()[0] == before[0] &&
                !before.contains(downNames()[1]));

    w->lstPlayers->setCurrentRow(2);
    dialogs.answers = {HostDialogs::Answer::Yes};
    w->mnuPDelete->trigger();
    EXPECT_EQ(listed(w->lstPlayers), QStringList({u"Bob"_qs, u"Cy"_qs}));
}

// While the link waits for the client's status no step starts inside the
// request: a click made then runs once it is over, in the order clicked.
TEST_F(GameWindowTest, AClickDuringARequestRunsAfterItAndItsBreakEndsTheCountdown)
{
    const auto said = [&](const QString &line) { return room.heard.count(line); };
    int clicks = 0;
    room.breakOn = [&](const QString &line) {
        if (line == u"hello"_qs && clicks++ == 0) {
            w->cmdList->click();
            w->mnuPDelete->trigger(); // held too: asks nothing before the list is said
            EXPECT_TRUE(dialogs.messages.empty() && said(u"-o-o-o-o-"_qs) == 0);
        }
        return false;
    };
    room.replies = {status("6"), status("0")};
    w->lstPlayers->setCurrentRow(0);
    dialogs.answers = {HostDialogs::Answer::No};
    w->link().SendChat(0, QString(), u"hello"_qs);
    EXPECT_EQ(clicks, 2);
    Waits::pumpUntil([&] { return said(u"-o-o-o-o-"_qs) > 0 && w->busyDepth() == 0; });
    EXPECT_EQ(said(u"-o-o-o-o-"_qs), 1);
    EXPECT_TRUE(dialogs.answers.empty() && dialogs.messages.empty());

    // An automatic countdown whose link breaks ends as if cancelled.
    bool ran = false;
    room.breakOn = [&](const QString &line) {
        EXPECT_TRUE(w->link().requesting());
        w->runStep([&] { ran = true; });
        return line.contains(u"You have"_qs);
    };
    w->mnuFifteen->trigger();
    w->cmdAsk->click();
    Waits::pumpUntil([&] { return !ticks2.enabled(); });
    EXPECT_FALSE(ran);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(gs.CountdownOn || QApplication::overrideCursor() || w->cmdCheck->isEnabled());
    EXPECT_TRUE(w->cmdAsk->isEnabled() && w->cmdGet->isEnabled() && w->cmdCountdown->isEnabled());
    w->runStep([&] { ran = true; });
    EXPECT_TRUE(ran);
}

// A macro runs while the automatic countdown ticks, closes the turn inside
// the macro's pauses and, on the host's Yes, reads the room's chat: the
// macro still says exactly its own lines, and nothing the busy state
// disabled comes back before it ends.
TEST_F(GameWindowTest, AMacroDuringACountdownThatEndsWithYes)
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
