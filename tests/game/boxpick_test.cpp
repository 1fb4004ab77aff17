#include "gameround.h"

#include "game/draw.h"

using Ask = BoxPick::Ask;

namespace {

// Bob wins the first word with the boxes given available; the host's
// requests reach the pick while the match waits, and then his close.
struct BoxPickTest : ::testing::Test, GameRound
{
    bool ended = false;

    void win(const std::vector<BoxPick::Request> &requests, std::initializer_list<int> available)
    {
        for (int i : available)
            gs.Boxes[i].Available = true;
        openGame();
        registerPlayers({u"Bob"_qs});
        gs.DrawCount = 1;
        cmdDraw_Click(ctx);
        askAndGet(currentWord(gs));
        ctx.showBoxWindow = [this, requests](BoxPick &pick) {
            room.heard.clear();
            pick.subscribe([this, &pick] { ended = pick.state().ended; });
            for (const BoxPick::Request &r : requests)
                pick.ask(r);
            pick.ask({Ask::Close});
        };
        cmdCheck_Click(ctx);
    }
};

} // namespace

TEST_F(BoxPickTest, CallSaysTheAvailableColoursInIndexOrder)
{
    win({{Ask::Call}, {Ask::Call}}, {5, 1, 4}); // a repeat waiting is dropped
    EXPECT_EQ(room.heard,
              QStringList({u" -- Select a box color -- "_qs, u" -- Red, Green, Blue -- "_qs}));
    EXPECT_TRUE(ended && gs.Winners[1].Box.isEmpty() && gs.Boxes[4].Available);
    EXPECT_EQ(gs.BoxMode, BoxMode::EditDefaults);
}

// Pink, Pink again, then Orange: the room hears that Pink is gone, the
// winner has the last, both leave play; an index past the boxes is nothing.
TEST_F(BoxPickTest, APickedColourGoesToTheWinnerAndOutOfPlay)
{
    win({{Ask::Pick, 7}, {Ask::Pick, 7}, {Ask::Pick, 2}, {Ask::Pick, 10}}, {2, 3, 7});
    EXPECT_EQ(room.heard, QStringList(u"Pink is not available."_qs));
    EXPECT_EQ(gs.Winners[1].Box, u"Orange"_qs);
    EXPECT_TRUE(!gs.Boxes[2].Available && gs.Boxes[3].Available && !gs.Boxes[7].Available);
}

// A link that breaks during the call leaves the match, and the pick ends.
TEST_F(BoxPickTest, ABrokenLinkDuringTheCallEndsTheStep)
{
    room.breakOn = [](const QString &line) { return line.startsWith(u" -- Red"_qs); };
    EXPECT_THROW(win({{Ask::Call}, {Ask::Pick, 1}}, {1}), LinkDown);
    EXPECT_TRUE(ended && gs.Winners[1].Box.isEmpty() && gs.Boxes[1].Available);
    EXPECT_EQ(gs.BoxMode, BoxMode::EditDefaults);
}

// Editing the default set: Set Default, Reset (which unchecks nothing) and
// the close, which makes the marks the set.
TEST(BoxEditing, TheMarksBecomeTheDefaultSet)
{
    GameState gs;
    gs.Boxes[1].InDefault = gs.Boxes[5].InDefault = gs.Boxes[3].Available = true;
    BoxPick pick;
    openBoxes(gs, pick, BoxMode::EditDefaults);
    callBoxes(gs, nullptr, pick); // 3 is available no more
    for (int i : {1, 9})
        clickBox(gs, nullptr, pick, i);
    resetBoxes(gs, pick);
    closeBoxes(gs, pick);
    for (int i = 0; i < BoxCount; ++i) {
        EXPECT_EQ(gs.Boxes[i].InDefault, i == 1 || i == 5 || i == 9) << i;
        EXPECT_EQ(gs.Boxes[i].Available, i == 1 || i == 5) << i;
    }
    EXPECT_TRUE(pick.state().ended && gs.Boxes[7].Color == u"Pink"_qs);
}
