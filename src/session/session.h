#pragma once

#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/maincontrols.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <random>

class ChatLink;
class HostDialogs;
struct HostLine;
struct ModRequest;
class InstanceLock;
class ScoreStore;
class StepRunner;
class TickSource;
class Wadapi;
struct GameState;

// The program without its windows: it builds and owns the single-instance
// lock, the chat link, the store of results, the console's record, the
// game context and the step runner, starts and ends them in the program's
// order, and runs the host's clicks as game steps. The main window draws
// the record and forwards its events here; a test or the demo drives the
// same entry points without it.
class Session
{
public:
    using Ctl = ConsoleState::Ctl;

    // What the program meets outside it: the real ones in the program,
    // scripted ones in tests.
    struct Outside
    {
        GameState &gs;
        Wadapi &wadapi;
        TickSource &timer1; // the link's pacing
        TickSource &timer2; // the countdown's seconds
        HostDialogs &dialogs;
        std::mt19937 &random;
    };
    struct Environment
    {
        QString folder;                   // holds orvella.ini, Orvella.log and the lock
        std::function<QString()> appName; // asked at every chat-client call
    };

    // The values the Speed (Delay) and Auto Countdown (Auto) menus offer.
    static constexpr std::array<int, 4> Speeds{0, 1, 2, 3};
    static constexpr std::array<int, 4> Autos{0, 15, 30, 60};

    Session(Outside outside, Environment env);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Start-up: the lock, the chat client, the game's first state and the
    // settings file. False when the program must end at once (another copy
    // runs, the chat client cannot be reached, the settings file is
    // broken); the host has been told why and exitCode() says how to end.
    bool start();
    int exitCode() const { return m_exitCode; }
    bool started() const { return m_started; }
    // Shutdown, once and only after a start: the link taken down, the
    // settings written, every wait of a step abandoned.
    void shutdown();
    bool ended() const { return m_ended; }

    GameState &gs() { return m_gs; }
    HostDialogs &dialogs() { return m_dialogs; }
    const QString &folder() const { return m_env.folder; }
    ChatLink &link() { return *m_link; }
    Console &console() { return m_console; }
    GameContext &game() { return *m_game; }

    // What the window showing the console does for the steps: the focus,
    // the hourglass, and its place in twips for the settings file (without
    // it the place last read or written stands).
    struct Window
    {
        MainControls *controls = nullptr;
        std::function<void(bool)> showBusy;
        std::function<QPointF()> place;
    };
    void setWindow(Window window);

    // The host's clicks, each run in the order clicked as a step (see
    // StepRunner): a turn button's only while the record has it enabled,
    // a macro's while the macro buttons are, a menu entry's once no step is
    // under way and the record has it enabled.
    void press(Ctl control);
    void pressMacro(int index);
    enum class Entry
    {
        Load,
        Recover,
        DeletePlayer,      // the players list's pop-up
        DrawAnotherPlayer, // the called-down list's pop-up
    };
    // Whether the entry takes a click now; a pop-up's always does.
    bool reachable(Entry entry) const;
    void choose(Entry entry);
    void runStep(const std::function<void()> &step);
    // A line the host typed in the Room window, and an order to the room
    // about a player: each after any step under way, in the order given;
    // why the client refused an order goes to refused.
    void say(const HostLine &line);
    void moderate(const ModRequest &request, std::function<void(const QString &)> refused);
    // The draw-count bar moved in the record.
    void drawCountChanged();

    // The Options menu's settings, each written to the settings file at once.
    void setSpeed(int delay);
    void setAuto(int seconds);
    void setOnTop(bool onTop);
    // The settings file with the window's place of the moment; a failure is shown.
    void saveSettings();

    // The store of results beside orvella.ini, opened at the first step or
    // when the Scores window opens: SQLite is not loaded for a window that
    // only shows. A failure is told once; scoresProblem() keeps why.
    void openScores();
    ScoreStore *scores() { return m_scores.get(); }
    const QString &scoresProblem() const { return m_scoresProblem; }

private:
    bool takeInstanceLock();
    bool openChatLink();
    bool applySettings();
    void wireCountdown();
    // The Countdown button's caption for Auto.
    void showAuto();

    GameState &m_gs;
    Wadapi &m_wadapi;
    HostDialogs &m_dialogs;
    Environment m_env;
    Window m_window;
    // Declared in the order they are built; they go in reverse.
    std::unique_ptr<InstanceLock> m_instanceLock;
    std::unique_ptr<ChatLink> m_link;
    Console m_console;
    std::unique_ptr<ScoreStore> m_scores;
    QString m_scoresProblem;
    bool m_scoresOpened = false;
    // Stands for the window's focus until one is set.
    struct Controls final : MainControls
    {
        MainControls *window = nullptr;
        void focusDummy() override
        {
            if (window)
                window->focusDummy();
        }
    } m_controls;
    std::unique_ptr<GameContext> m_game;
    std::unique_ptr<StepRunner> m_runner;
    // Held-back countdown seconds run from the event loop; none after the
    // session has gone.
    QObject m_context;
    bool m_started = false;
    bool m_ended = false;
    int m_exitCode = 0;
};
