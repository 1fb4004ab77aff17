#pragma once

#include "chat/gamestatus.h"

#include <QList>
#include <QObject>

#include <deque>
#include <functional>
#include <optional>

struct GameContext;

// Runs the main window's game steps and holds the host's clicks, on the
// game's record, the chat link, the console's record and the countdown
// timer alone: no widget, so it runs under a test as under the window.
class StepRunner
{
public:
    // What only the window does around the steps.
    struct Window
    {
        // Before every step (the store of results opens at the first).
        std::function<void()> beforeStep;
        // The hourglass, on while the console's record is busy.
        std::function<void(bool)> showBusy;
        // The leaders the players' screens show, from the store of results.
        std::function<QList<GameStatus::Leader>()> leaders;
    };

    StepRunner(GameContext &game, Window window);
    ~StepRunner();
    StepRunner(const StepRunner &) = delete;
    StepRunner &operator=(const StepRunner &) = delete;

    // Runs a game step; a chat link that fails, a step that gives up or a
    // failure the step does not handle (told to the host) ends it with the
    // game state as it was before it, and a close during one of its waits
    // ends it quietly. Nothing runs while the link waits for the
    // client's status. After it the link is given the game's status, which
    // it sends on when it changed.
    void runStep(const std::function<void()> &step);

    // Every click runs in the order clicked: at once if it can, else as soon
    // as the request the link repeats is over and, whenIdle, no step is
    // under way.
    void onHostAction(bool whenIdle, std::function<void()> action);

    // Whether the hourglass shows.
    bool busyShown() const { return m_busyShown; }

private:
    void runHeldActions();
    void runHeldActionsSoon();
    void followBusy();
    void tellStatus();

    GameContext &m_game;
    Window m_window;
    struct HeldAction
    {
        bool whenIdle;
        std::function<void()> run;
    };
    std::deque<HeldAction> m_heldActions;
    bool m_heldBehindStep = false;
    bool m_busyShown = false;
    int m_follower = 0; // the subscription to the console's record
    QList<GameStatus::Leader> m_leaders;
    std::optional<int> m_leadersAt; // the winner count they were read at
    // Held clicks run from the event loop; none after the runner has gone.
    QObject m_context;
};
