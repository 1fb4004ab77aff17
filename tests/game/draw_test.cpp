#include "roundfixture.h"

#include "game/draw.h"

#include <algorithm>
#include <map>

namespace {

class DrawTest : public RoundTest
{
protected:
    void SetUp() override { openGame(); }

    PlayerRec &player(const QString &name)
    {
        for (int i = 1; i <= gs.PlayerCount; ++i)
            if (gs.Players[i].Name == name)
                return gs.Players[i];
        throw std::out_of_range("no such player");
    }
    static QStringList announced(const QStringList &down)
    {
        QStringList lines(QStringLiteral("The following players have been selected to play:"));
        for (int i = 0; i < down.size(); ++i)
            lines << QStringLiteral("%1. %2, come on down!").arg(i + 1).arg(down[i]);
        return lines << QStringLiteral("-o-o-o-");
    }
    static QStringList sorted(QStringList l)
    {
        l.sort();
        return l;
    }
};

const QStringList ABC = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
const QStringList Reset = {QStringLiteral("No more players available"),
                           QStringLiteral("Resetting this round")};

QStringList replacing(const QString &name)
{
    return {QStringLiteral("«»  Replacing ") + name + QStringLiteral("  «»"),
            QStringLiteral("«»  Re-Drawing  «»"), QStringLiteral("«»«»«»«»«»«»«»«»")};
}

} // namespace

TEST_F(DrawTest, ADrawCallsDownAnnouncesAndThenRepeats)
{
    frmMain &w = window();
    gs.Calldown = true;
    gs.CalldownMSG = QStringLiteral("It's your turn to play");
    registerPlayers(ABC);
    w.cmdDraw->click();

    const QStringList down = downNames();
    EXPECT_EQ(sorted(down), ABC);
    EXPECT_EQ(chat.room(), announced(down));
    EXPECT_EQ(chat.room(2), QStringList({down[0] + QStringLiteral("|It's your turn to play"),
                                         down[1] + QStringLiteral("|It's your turn to play"),
                                         down[2] + QStringLiteral("|It's your turn to play")}));
    EXPECT_EQ(chat.said[2].mode, 2); // the messages come first
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(gs.Players[i].Level == 1 && gs.Players[i].Drawn == 0);
    EXPECT_EQ(listed(w.lstDown), down);
    EXPECT_EQ(w.lstDown->currentRow(), 0);
    EXPECT_EQ(gs.DownPointer, 1);
    EXPECT_EQ(gs.Guess, QStringLiteral("T    "));
    EXPECT_TRUE(w.cmdAsk->isEnabled());
    EXPECT_FALSE(w.vsDrawCnt->isEnabled());
    EXPECT_EQ(w.cmdDraw->text() + w.cmdDraw->toolTip(),
              QStringLiteral("RepeatList Players for this round"));
    EXPECT_EQ(names(logged().Down, logged().DownCount), down);

    chat.said.clear();
    w.cmdDraw->click();
    EXPECT_EQ(chat.room(),
              QStringList({QStringLiteral("The following players are selected to play:"),
                           QStringLiteral("1. ") + down[0], QStringLiteral("2. ") + down[1],
                           QStringLiteral("3. ") + down[2], QStringLiteral("-o-o-o-")}));
    EXPECT_EQ(downNames(), down);
    EXPECT_EQ(gs.Players[1].Level, 1);
}

TEST_F(DrawTest, TooFewPlayersWarnAndChangeNothing)
{
    registerPlayers({QStringLiteral("A"), QStringLiteral("B")});
    window().cmdDraw->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text + dialogs.messages[0].title,
              QStringLiteral("Not enough players!Warning!"));
    EXPECT_TRUE(chat.said.empty());
    EXPECT_EQ(gs.DownCount, 0);
    EXPECT_TRUE(window().cmdDraw->isEnabled());
}

TEST_F(DrawTest, LowerLevelsComeFirstAndNobodyAbove65IsDrawn)
{
    frmMain &w = window();
    registerPlayers(ABC + QStringList({QStringLiteral("D"), QStringLiteral("E")}));
    for (auto [name, level] : {std::pair{u"C", 1}, {u"D", 1}, {u"E", 2}})
        player(QString::fromUtf16(name)).Level = float(level);
    w.cmdDraw->click();
    const QStringList down = downNames();
    EXPECT_TRUE(down.contains(QStringLiteral("A")) && down.contains(QStringLiteral("B")));
    EXPECT_NE(down.contains(QStringLiteral("C")), down.contains(QStringLiteral("D")));
    EXPECT_EQ(player(QStringLiteral("E")).Level, 2);

    // Taken at level 65 still counts.
    gs.DownCount = 0;
    for (int i = 1; i <= 5; ++i)
        gs.Players[i].Level = i <= 3 ? 66 : 65;
    w.vsDrawCnt->setValue(-2);
    chat.said.clear();
    w.cmdDraw->click();
    EXPECT_EQ(sorted(downNames()), QStringList({QStringLiteral("D"), QStringLiteral("E")}));
    EXPECT_EQ(player(QStringLiteral("D")).Level, 66);

    // Needing a player above 65 resets the round.
    gs.DownCount = 0;
    player(QStringLiteral("A")).Level = 3;
    chat.said.clear();
    w.vsDrawCnt->setValue(-3);
    w.cmdDraw->click();
    EXPECT_EQ(chat.room(), Reset);
    EXPECT_EQ(gs.DownCount + gs.DownPointer, 0);
    EXPECT_TRUE(gs.Down[1].Name.isEmpty());
    EXPECT_EQ(player(QStringLiteral("A")).Level, 2); // picked, then given back
    EXPECT_EQ(player(QStringLiteral("A")).Drawn, 1); // settled by the next good draw
    EXPECT_EQ(player(QStringLiteral("B")).Drawn, 0);
    EXPECT_EQ(w.lstDown->count(), 0);
    EXPECT_TRUE(w.vsDrawCnt->isEnabled() && w.cmdDraw->isEnabled());
    EXPECT_EQ(w.cmdDraw->text(), QStringLiteral("Draw"));
    EXPECT_FALSE(w.cmdAsk->isEnabled());
    EXPECT_EQ(logged().DownCount, 0);
}

TEST_F(DrawTest, DrawAnotherPlayerReplacesTheSelectedOne)
{
    frmMain &w = window();
    registerPlayers(ABC + QStringList(QStringLiteral("D")));
    player(QStringLiteral("D")).Level = 1;
    w.cmdDraw->click();
    const QStringList first = downNames();

    w.lstDown->setCurrentRow(-1);
    chat.said.clear();
    w.mnuDPDraw->trigger();
    EXPECT_TRUE(chat.said.empty());

    w.lstDown->setCurrentRow(1);
    gs.DownPointer = 2;
    w.mnuDPDraw->trigger();
    const QStringList now = {first[0], first[2], QStringLiteral("D")};
    EXPECT_EQ(chat.room(), replacing(first[1]) + announced(now));
    EXPECT_EQ(downNames(), now);
    EXPECT_EQ(player(first[1]).Level, 0);
    EXPECT_EQ(player(first[0]).Level, 1);
    EXPECT_EQ(player(QStringLiteral("D")).Level, 2);
    EXPECT_EQ(gs.DownPointer, 1);
    EXPECT_TRUE(gs.ReplaceName.isEmpty());
    EXPECT_EQ(listed(w.lstDown), now);
    EXPECT_EQ(w.lstDown->currentRow(), 0);
    EXPECT_EQ(names(logged().Down, logged().DownCount), now);
}

TEST_F(DrawTest, DrawAnotherPlayerWithNobodyLeft)
{
    frmMain &w = window();
    registerPlayers(ABC);
    w.cmdDraw->click();
    const QStringList down = downNames();

    // Nobody registered any more: refused before anything changes.
    gs.PlayerCount = 0;
    w.lstDown->setCurrentRow(1);
    chat.said.clear();
    w.mnuDPDraw->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(chat.said.empty());
    EXPECT_EQ(downNames(), down);
    EXPECT_EQ(listed(w.lstDown), down);
    EXPECT_TRUE(gs.ReplaceName.isEmpty());

    // Everybody registered is down: the round is reset.
    gs.PlayerCount = 3;
    w.mnuDPDraw->trigger();
    EXPECT_EQ(chat.room(), replacing(down[1]) + Reset);
    EXPECT_EQ(gs.DownCount, 0);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(gs.Players[i].Level, 0);
    EXPECT_EQ(w.lstDown->count(), 0);
    EXPECT_FALSE(w.cmdAsk->isEnabled());
}

namespace {

GameState playersAt(const std::vector<float> &levels)
{
    GameState gs;
    for (float level : levels) {
        ++gs.PlayerCount;
        gs.Players[gs.PlayerCount] = {QStringLiteral("P%1").arg(gs.PlayerCount), {}, level, 0};
    }
    return gs;
}

double chiSquare(const std::map<QString, int> &counts, int cells, double expected)
{
    double sum = (cells - int(counts.size())) * expected; // cells never hit
    for (const auto &[key, n] : counts)
        sum += (n - expected) * (n - expected) / expected;
    return sum;
}

} // namespace

TEST(DrawFairness, EveryPoolMemberIsPickedEquallyOftenAndIndependently)
{
    std::mt19937 random(12345);
    GameState gs = playersAt({0, 0, 0, 0, 0, 1});
    const int trials = 20000;
    std::map<QString, int> singles, firsts, pairs;
    for (int t = 0; t < trials; ++t) {
        gs.DownCount = 0;
        ASSERT_TRUE(PickPlayers(gs, 2, random));
        QStringList two = {gs.Down[1].Name, gs.Down[2].Name};
        ++firsts[two[0]];
        ++singles[two[0]];
        ++singles[two[1]];
        two.sort();
        ++pairs[two.join(u'+')];
    }
    EXPECT_EQ(singles.count(QStringLiteral("P6")), 0u);
    // 99.9 % quantiles of chi-square with 4 and 9 degrees of freedom.
    EXPECT_LT(chiSquare(singles, 5, trials * 2 / 5.0), 18.47);
    EXPECT_LT(chiSquare(firsts, 5, trials / 5.0), 18.47);
    EXPECT_LT(chiSquare(pairs, 10, trials / 10.0), 27.88);
}

TEST(DrawFairness, LowerLevelsAlwaysComeFirst)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> levelOf(0, 4), countOf(2, 10);
    for (int t = 0; t < 2000; ++t) {
        std::vector<float> levels = {66, 0.5f, 0, 0};
        while (levels.size() < 14)
            levels.push_back(float(levelOf(random)));
        GameState gs = playersAt(levels);
        gs.DownCount = 1;
        gs.Down[1].Name = QStringLiteral("P3"); // already down
        gs.ReplaceName = QStringLiteral("P4");
        const int n = countOf(random);
        const bool complete = PickPlayers(gs, n, random);
        ASSERT_EQ(complete, gs.DownCount == n + 1);
        int picked = 0;
        float highestPicked = -1, lowestLeft = 1000;
        for (int i = 1; i <= gs.PlayerCount; ++i) {
            const PlayerRec &p = gs.Players[i];
            if (p.Drawn > 0) {
                ASSERT_TRUE(i > 4 && p.Drawn == 1);
                ++picked;
                highestPicked = std::max(highestPicked, p.Level);
            } else if (i > 4) {
                lowestLeft = std::min(lowestLeft, p.Level);
            }
        }
        ASSERT_EQ(picked, gs.DownCount - 1);
        ASSERT_LE(highestPicked, lowestLeft);
    }
}
