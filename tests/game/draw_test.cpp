#include "gameround.h"

#include "game/draw.h"

#include <algorithm>
#include <map>

using DrawTest = OpenedGame;

namespace {

QStringList announced(const QStringList &down)
{
    QStringList lines(u"The following players have been selected to play:"_qs);
    for (int i = 0; i < down.size(); ++i)
        lines << u"%1. %2, come on down!"_qs.arg(i + 1).arg(down[i]);
    return lines << u"-o-o-o-"_qs;
}

} // namespace

TEST_F(DrawTest, ADrawCallsDownAnnouncesRepeatsAndReplaces)
{
    registerPlayers({u"A"_qs, u"B"_qs});
    cmdDraw_Click(ctx);
    EXPECT_EQ(dialogs.messages.at(0).text, u"Not enough players!"_qs);
    EXPECT_TRUE(room.heard.isEmpty() && gs.DownCount == 0);

    gs.Calldown = true;
    registerPlayers({u"C"_qs, u"D"_qs});
    player(u"D"_qs).Level = 1;
    cmdDraw_Click(ctx);
    const QStringList down = downNames(), abc = {u"A"_qs, u"B"_qs, u"C"_qs};
    EXPECT_TRUE(std::is_permutation(down.begin(), down.end(), abc.begin(), abc.end()));
    QStringList calls;
    for (const QString &name : down)
        calls << u"ESP to "_qs + name + u": It's your turn to play"_qs;
    EXPECT_EQ(room.heard, calls + announced(down));
    EXPECT_TRUE(on(Ctl::cmdAsk) && !on(Ctl::vsDrawCnt));

    room.heard.clear();
    cmdDraw_Click(ctx);
    EXPECT_EQ(room.heard,
              QStringList({u"The following players are selected to play:"_qs, u"1. "_qs + down[0],
                           u"2. "_qs + down[1], u"3. "_qs + down[2], u"-o-o-o-"_qs}));

    // Draw Another Player on the second.
    room.heard.clear();
    std::tie(gs.Calldown, gs.DownPointer) = std::tuple(false, 2);
    console.selectRow(List::lstDown, 1);
    DrawAnotherPlayer(ctx);
    const QStringList now = {down[0], down[2], u"D"_qs};
    const QStringList replacing = {u"«»  Replacing "_qs + down[1] + u"  «»"_qs,
                                   u"«»  Re-Drawing  «»"_qs, u"«»«»«»«»«»«»«»«»"_qs};
    EXPECT_EQ(room.heard, replacing + announced(now));
    EXPECT_EQ(console.rows(List::lstDown), now);
    // The replaced player gives his level back, the newcomer gains one.
    EXPECT_EQ(QList<float>({player(down[1]).Level, player(down[0]).Level, player(u"D"_qs).Level}),
              QList<float>({0, 1, 2}));
}

TEST_F(DrawTest, NeedingAPlayerAbove65ResetsTheRound)
{
    registerPlayers({u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs, u"E"_qs});
    for (int i = 1; i <= 5; ++i)
        gs.Players[i].Level = i == 1 ? 3 : i == 4 ? 65 : 66;
    cmdDraw_Click(ctx);
    EXPECT_EQ(room.heard,
              QStringList({u"No more players available"_qs, u"Resetting this round"_qs}));
    EXPECT_EQ(gs.DownCount + gs.DownPointer, 0);
    // A and D (taken at 65) were picked and lose a level; the next good
    // draw settles their draws.
    EXPECT_EQ(player(u"A"_qs).Level + player(u"D"_qs).Level, 2 + 64);
    EXPECT_EQ(player(u"A"_qs).Drawn + player(u"D"_qs).Drawn, 2);
    EXPECT_EQ(player(u"B"_qs).Drawn + player(u"E"_qs).Drawn, 0);
    EXPECT_TRUE(console.rows(List::lstDown).isEmpty() && on(Ctl::cmdDraw) && !on(Ctl::cmdAsk));
}

// Only whole levels up to 65, nobody down or being replaced, the lowest
// level first, and within a level every pair equally often.
TEST(DrawFairness, TheLowestLevelFirstAndEveryPairOfItEquallyOften)
{
    std::mt19937 random(12345);
    GameState gs;
    for (float level : {66.f, 0.5f, 0.f, 0.f, 1.f, 1.f, 1.f, 1.f, 1.f, 2.f}) {
        ++gs.PlayerCount;
        gs.Players[gs.PlayerCount] = {u"P%1"_qs.arg(gs.PlayerCount), {}, level, 0};
    }
    gs.Down[1].Name = u"P3"_qs;
    gs.ReplaceName = u"P4"_qs;
    const int trials = 20000;
    std::map<QString, int> pairs;
    for (int t = 0; t < trials; ++t) {
        gs.DownCount = 1;
        ASSERT_TRUE(PickPlayers(gs, 2, random));
        QStringList two = {gs.Down[2].Name, gs.Down[3].Name};
        two.sort();
        ++pairs[two.join(u'+')];
    }
    // Every pair of P5..P9, and no other; then the 99.9 % quantile of
    // chi-square with 9 degrees of freedom.
    ASSERT_EQ(pairs.size(), 10u);
    ASSERT_TRUE(pairs.begin()->first == u"P5+P6" && pairs.rbegin()->first == u"P8+P9");
    double chi = 0;
    for (const auto &[pair, n] : pairs)
        chi += (n - trials / 10.0) * (n - trials / 10.0) / (trials / 10.0);
    EXPECT_LT(chi, 27.88);
    gs.DownCount = 1;
    EXPECT_TRUE(PickPlayers(gs, 6, random));
    EXPECT_EQ(gs.Down[7].Name, u"P10"_qs);
}
