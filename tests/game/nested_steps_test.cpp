#include "gamefixture.h"

#include "chat/chatlink.h"

// A macro runs while the automatic countdown ticks, closes the turn inside
// the macro's pauses and, on the host's Yes, reads the room's chat: the
// macro still says exactly its own lines, and nothing the busy state
// disabled comes back before it ends.
TEST_F(GameTest, AMacroDuringACountdownThatEndsWithYes)
{
    openGame("apple\r\n");
    registerPlayers({u"Bob"_qs, u"Cy"_qs});
    w->vsDrawCnt->setValue(-2);
    w->cmdDraw->click();
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
