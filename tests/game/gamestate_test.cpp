#include "game/failure.h"
#include "game/gamestate.h"

#include <gtest/gtest.h>

TEST(GameState, StartValuesAndCapacities)
{
    const GameState s;
    EXPECT_EQ(s.DrawCount, 3);
    EXPECT_EQ(s.BoxMode, 1);
    EXPECT_EQ(s.Delay, 0);
    EXPECT_FALSE(s.Confirm);
    EXPECT_TRUE(s.RegChar.isEmpty());
    EXPECT_EQ(s.Players.size(), 151u);
    EXPECT_EQ(s.Words.size(), 11u);
    EXPECT_EQ(s.Down.size(), 11u);
    EXPECT_EQ(s.Winners.size(), 11u);
    EXPECT_EQ(s.Boxes.size(), 10u);
    EXPECT_EQ(s.Macros.size(), 21u);
    EXPECT_EQ(s.Subs.size(), 11u);
    EXPECT_EQ(&theGame(), &theGame());
}

TEST(GameState, IntegerArithmeticOverflows)
{
    EXPECT_EQ(checkedAdd(32766, 1), 32767);
    EXPECT_EQ(checkedAdd(-32767, -1), -32768);
    EXPECT_THROW(checkedAdd(32767, 1), Failure);
    try {
        checkedAdd(-32768, -1);
    } catch (const Failure &f) {
        EXPECT_EQ(f.number(), ErrOverflow);
        EXPECT_EQ(f.description(), QStringLiteral("Overflow"));
    }
}
