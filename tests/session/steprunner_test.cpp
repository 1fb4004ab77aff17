#include "session/steprunner.h"
#include "base/integer.h"
#include "game/busystate.h"
#include "game/countdown.h"
#include "game/stepundone.h"
#include "support/gamecontextrig.h"

namespace {

// The runner over a game without a window: the hourglass's changes are
// noted as + and -, and the steps it began are counted.
struct RunnerRig : GameContextRig
{
    QString pointer;
    int began = 0, leadersRead = 0;
    StepRunner runner{ctx,
                      {.beforeStep = [this] { ++began; },
                       .showBusy = [this](bool on) { pointer += on ? u'+' : u'-'; },
                       .leaders = [this] { return QList<GameStatus::Leader>(++leadersRead); }}};
};

} // namespace

// A step whose link breaks, that gives up or that fails leaves the game, the
// link, the countdown timer and the console as they stood before it, and ends
// its busy state, inside another step as at the top; a close during its wait
// ends it keeping what it did. The hourglass goes once no step is under way.
TEST(StepRunner, AFailedStepIsUndoneAndAClosedOneEndsQuietly)
{
    const struct
    {
        void (*fail)();
        bool undone, nested;
    } rows[] = {{[] { throw LinkDown(); }, true, false},
                {[] { throw StepUndone(); }, true, false},
                {[] { throw WaitAbandoned(); }, false, false},
                {[] { throw LinkDown(); }, true, true},
                {[] { throw WaitAbandoned(); }, false, true},
                {[] { checkedAdd(Integer(32767), 1); }, true, false},
                {[] { checkedAdd(Integer(32767), 1); }, true, true}};
    for (const auto &r : rows) {
        SCOPED_TRACE(&r - rows);
        const auto &[fail, undone, nested] = r;
        RunnerRig rig;
        GameContext &ctx = rig.ctx;
        rig.link.setChatText(u"before"_qs);
        const auto failing = [&, fail = fail] {
            LockControls(ctx);
            ctx.gs.HostName = u"Ann"_qs;
            ctx.link.setChatText(u"during"_qs);
            ctx.timer2.setEnabled(true);
            ctx.console.setCaption(Ctl::cmdAsk, u"Ask"_qs);
            ctx.console.addToList(List::lstPlayers, u"Bob"_qs);
            fail();
        };
        rig.runner.runStep([&, nested = nested] {
            if (!nested)
                return failing();
            LockControls(ctx);
            rig.runner.runStep(failing);
            EXPECT_EQ(ctx.console.busyDepth(), 1); // the interrupted step's
            EXPECT_TRUE(ctx.console.state().busy && rig.pointer == u"+"_qs);
            RestoreControls(ctx);
        });
        const QString kept = rig.gs.HostName + rig.link.ChatText() +
                             ctx.console.caption(Ctl::cmdAsk) +
                             ctx.console.rows(List::lstPlayers).join(u',');
        EXPECT_EQ(kept.toStdString(), undone ? "before" : "AnnduringAskBob");
        EXPECT_EQ(rig.ticks2.enabled(), !undone);
        EXPECT_FALSE(ctx.console.busyDepth() || ctx.console.state().busy || rig.runner.busyShown());
        EXPECT_EQ(rig.pointer.toStdString() + char('0' + rig.began), nested ? "+-2" : "+-1");
        // A failure the step does not handle is told with its number.
        const bool told = &r - rows >= 5;
        ASSERT_EQ(rig.dialogs.messages.size(), size_t(told));
        if (told) {
            EXPECT_EQ(rig.dialogs.messages[0].title + u'|' + rig.dialogs.messages[0].text,
                      u"Orvella|Run-time error 6:\r\n\r\nOverflow\r\n\r\nThe game goes on "
                      "from where it stood before that step."_qs);
        }
    }
}

// A click with nothing held runs at once. Clicks made while the link waits
// for the client's status are held, and nothing starts inside the request:
// one runs in the step's next pause, the one behind it once that one's step
// has ended, one that waits for no step under way (a pop-up menu's) at the
// end of the step, and a later click never overtakes it.
TEST(StepRunner, HeldClicksRunInTheOrderClicked)
{
    RunnerRig rig;
    GameContext &ctx = rig.ctx;
    QStringList happened; // each clicked step's name and the busy depth it met
    const auto click = [&](bool whenIdle, const QString &name) {
        rig.runner.onHostAction(whenIdle, [&, name] {
            rig.runner.runStep([&, name] {
                happened << name + QString::number(ctx.console.busyDepth());
                LockControls(ctx);
                ctx.link.SendChat(0, QString(), name);
                ctx.link.My_Wait(0);
                RestoreControls(ctx);
            });
        });
    };
    rig.room.breakOn = [&](const QString &line) {
        if (line == u"one"_qs) {
            for (const auto &[whenIdle, name] :
                 {std::pair(false, u"a"_qs), {false, u"a2"_qs}, {true, u"b"_qs}})
                click(whenIdle, name);
            rig.runner.runStep([&] { happened << u"inside"_qs; });
        }
        if (line == u"two"_qs)
            click(false, u"c"_qs);
        return false;
    };
    click(false, u"first"_qs);
    rig.runner.runStep([&] {
        LockControls(ctx);
        for (const QString &line : {u"one"_qs, u"two"_qs}) {
            ctx.link.SendChat(0, QString(), line);
            happened << u"said "_qs + line;
            ctx.link.My_Wait(0);
        }
        RestoreControls(ctx);
    });
    happened << u"ended"_qs;
    QCoreApplication::processEvents();
    EXPECT_EQ(happened.join(u' ').toStdString(), "first0 said one a1 a21 said two ended b0 c0");
    EXPECT_EQ(rig.room.heard.join(u' ').toStdString(), "first one a a2 two b c");
}

// The players' screens hear of a step only when it changed the status: once
// per second of the countdown, the store read for the leaders once.
TEST(StepRunner, AStepSendsTheStatusOnlyWhenItChanged)
{
    RunnerRig rig;
    GameState &gs = rig.gs;
    rig.room.callbacks->OnDapiEvent("status", 0, {});
    std::tie(gs.GamePhase, gs.DownCount, gs.DownPointer, gs.CountdownLeft) =
        std::tuple(GamePhase::Open, 1, 1, 15);
    for (int i = 0; i < 2; ++i)
        rig.runner.runStep([] {});
    rig.ticks2.onTick = [&] { rig.runner.runStep([&] { Timer2_Timer(rig.ctx); }); };
    rig.ticks2.afterTick = [&](int n) { rig.ticks2.setEnabled(n < 2); };
    rig.ticks2.setEnabled(true);
    Waits::pumpUntil([&] { return !rig.ticks2.enabled(); });
    QStringList seconds; // left, from
    for (const QByteArray &text : rig.room.statuses)
        if (const auto s = decodeGameStatus(text))
            seconds << u"%1/%2"_qs.arg(s->secondsLeft).arg(s->secondsFrom);
    EXPECT_EQ(seconds.join(u' ').toStdString(), "-1/0 15/15 14/15");
    EXPECT_EQ(rig.leadersRead, 1);
}
