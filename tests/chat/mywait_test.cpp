#include "chatlink_fixture.h"

#include "game/failure.h"

#include <QElapsedTimer>

#include <sys/resource.h>

using MyWaitTest = ChatLinkTest;

TEST_F(MyWaitTest, WaitsTwiceTheDelayPlusOneTicks)
{
    for (Integer delay : {0, 3}) {
        ticks.delivered = 0;
        link.My_Wait(delay);
        EXPECT_EQ(ticks.delivered, 2 * delay + 1);
        EXPECT_EQ(game.WaitTicks, 2 * delay + 1);
        EXPECT_FALSE(ticks.enabled());
    }

    // No ticks needed, yet pending events still run once.
    bool ran = false;
    QMetaObject::invokeMethod(
        &ticks, [&] { ran = true; }, Qt::QueuedConnection);
    link.My_Wait(-1);
    EXPECT_TRUE(ran);

    for (Integer delay : {Integer(16384), Integer(-16385)}) {
        try {
            link.My_Wait(delay);
            ADD_FAILURE() << delay;
        } catch (const Failure &f) {
            EXPECT_EQ(f.number(), ErrOverflow);
        }
        EXPECT_FALSE(ticks.enabled());
    }
}

// The countdown may start a wait of its own while a step waits.
TEST_F(MyWaitTest, NestedWaitEndsAfterItsOwnTicksAndTheOuterStillCompletes)
{
    int innerTicks = -1;
    Integer shownInInner = -1;
    Integer shownAfterInner = -1;
    bool timerRanOn = false;
    ticks.afterTick = [&](int n) {
        if (n == 5)
            shownInInner = game.WaitTicks;
        if (n != 2)
            return;
        QMetaObject::invokeMethod(
            &ticks,
            [&] {
                const int before = ticks.delivered;
                link.My_Wait(1);
                innerTicks = ticks.delivered - before;
                shownAfterInner = game.WaitTicks;
                timerRanOn = ticks.enabled();
            },
            Qt::QueuedConnection);
    };
    link.My_Wait(3);
    EXPECT_EQ(innerTicks, 3);
    EXPECT_EQ(shownInInner, 2);
    EXPECT_EQ(shownAfterInner, 6);
    EXPECT_TRUE(timerRanOn);
    EXPECT_EQ(ticks.delivered, 7);
    EXPECT_FALSE(ticks.enabled());
}

TEST_F(MyWaitTest, AbandonEndsTheWait)
{
    ticks.afterTick = [](int n) {
        if (n == 2)
            Waits::abandonAll();
    };
    EXPECT_THROW(link.My_Wait(3), WaitAbandoned);
    EXPECT_EQ(ticks.delivered, 2);
    EXPECT_FALSE(ticks.enabled());
}

namespace {
double cpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}
} // namespace

TEST(MyWaitTimer1, RealWaitUsesAlmostNoCpu)
{
    GameState game;
    ScriptedWadapi wadapi;
    QTimerTickSource timer1;
    ScriptedDialogs dialogs;
    ChatLink link(game, wadapi, timer1, dialogs, [] { return QStringLiteral("orvella"); });

    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    link.My_Wait(8);
    const double used = cpuSeconds() - cpu;
    const double elapsed = double(wall.elapsed()) / 1000;

    EXPECT_EQ(game.WaitTicks, 17);
    EXPECT_GE(elapsed, 17 * 0.130 - 0.02);
    EXPECT_LT(used, 0.05 * elapsed) << used << " s of CPU in " << elapsed << " s";
}
