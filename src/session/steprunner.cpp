#include "session/steprunner.h"

#include "base/failure.h"
#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/ticksource.h"
#include "chat/waits.h"
#include "game/busystate.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/statusof.h"
#include "game/stepundone.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTimer>

#include <utility>

StepRunner::StepRunner(GameContext &game, Window window) : m_game(game), m_window(std::move(window))
{
    m_game.link.setRequestsOver([this] { runHeldActionsSoon(); });
    // Nested steps are counted by the busy depth; the pointer only follows
    // the record's flag.
    m_follower = m_game.console.subscribe([this](Console::Part part) {
        if (part == Console::Part::Busy || part == Console::Part::Whole)
            followBusy();
    });
}

StepRunner::~StepRunner()
{
    m_game.console.unsubscribe(m_follower);
    m_game.link.setRequestsOver(nullptr);
}

void StepRunner::followBusy()
{
    const bool busy = m_game.console.state().busy;
    if (busy == m_busyShown)
        return;
    m_busyShown = busy;
    if (m_window.showBusy)
        m_window.showBusy(busy);
}

void StepRunner::onHostAction(bool whenIdle, std::function<void()> action)
{
    m_heldActions.push_back({whenIdle, std::move(action)});
    runHeldActions();
}

void StepRunner::runHeldActionsSoon()
{
    if (!m_heldActions.empty())
        QTimer::singleShot(0, &m_context, [this] { runHeldActions(); });
}

void StepRunner::runHeldActions()
{
    while (!m_heldActions.empty() && !m_heldBehindStep && !m_game.link.requesting() &&
           (!m_heldActions.front().whenIdle || m_game.console.busyDepth() == 0)) {
        const HeldAction held = std::move(m_heldActions.front());
        m_heldActions.pop_front();
        // The clicks held behind this one wait for the end of the step it
        // starts, so no two of them run into each other; with none held, a
        // click made meanwhile runs at once, as ever.
        const QScopedValueRollback behind(m_heldBehindStep,
                                          m_heldBehindStep || !m_heldActions.empty());
        held.run();
    }
}

void StepRunner::runStep(const std::function<void()> &step)
{
    // Events flow while the link waits for the client's status; a click
    // handled then would start a second step inside the first.
    if (m_game.link.requesting())
        return;
    if (m_window.beforeStep)
        m_window.beforeStep();
    // Everything a step may change, so a failed link can put it all back.
    Console &console = m_game.console;
    const GameState before = m_game.gs;
    const ChatLink::State linkBefore = m_game.link.state();
    const ConsoleState shownBefore = console.state();
    const int busyBefore = console.busyDepth();
    const bool timer2Before = m_game.timer2.enabled();
    auto undo = [&] {
        m_game.gs = before;
        m_game.link.restore(linkBefore);
        m_game.timer2.setEnabled(timer2Before);
        console.restore(shownBefore);
        // Ends this step's busy state, and leaves an interrupted step's.
        console.setBusyDepth(busyBefore + 1);
        RestoreControls(m_game);
    };
    // However the step ends, the hourglass goes once no step is under way.
    const auto settle = qScopeGuard([this, &console] {
        if (console.busyDepth() == 0) {
            console.setBusy(false);
            runHeldActionsSoon();
        }
    });
    try {
        step();
    } catch (const LinkDown &) {
        // The host has been told; the game goes on from where it stood.
        undo();
    } catch (const StepUndone &) {
        undo();
    } catch (const Failure &failure) {
        // A failure no routine of the step handles (a checked sum out of
        // range) is told with its number, and the game goes on from where it
        // stood, as after a broken link.
        m_game.dialogs.message(failure.runTimeReport() +
                                   QStringLiteral("\r\n\r\nThe game goes on from where it "
                                                  "stood before that step."),
                               QStringLiteral("Orvella"));
        undo();
    } catch (const WaitAbandoned &) {
        // The window closed while the step waited: nothing more to do but
        // end its busy state.
        console.setBusyDepth(busyBefore);
        return;
    }
    tellStatus();
}

void StepRunner::tellStatus()
{
    // The store's leaders change with a word won; a countdown's every second
    // need not ask it.
    if (m_leadersAt != m_game.gs.WinnerCount) {
        m_leadersAt = m_game.gs.WinnerCount;
        m_leaders = m_window.leaders ? m_window.leaders() : QList<GameStatus::Leader>();
    }
    m_game.link.sendGameStatus(statusOf(m_game.gs, m_leaders));
}
