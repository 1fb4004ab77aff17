#pragma once

#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"
#include "windows/busypointer.h"
#include "windows/childwindows.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <random>

class ChatLink;
class frmRoom;
class HostDialogs;
class InstanceLock;
class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class ScoreStore;
class StepRunner;
class TickSource;
class Wadapi;
struct GameState;

// The host's console: the word display, the turn buttons, the called-down
// players, the macro buttons, the draw and the registered players.
class frmMain final : public QMainWindow, public MainControls
{
    Q_OBJECT

public:
    struct Environment
    {
        QString folder;                   // holds orvella.ini, Orvella.log and the lock
        std::function<QString()> appName; // asked at every chat-client call
    };

    frmMain(GameState &gs, Wadapi &wadapi, TickSource &timer1, TickSource &timer2,
            HostDialogs &dialogs, std::mt19937 &random, Environment env, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up. False when the program must end at once (another copy runs,
    // the chat client cannot be reached, the settings file is broken); the
    // host has been told why and exitCode() says how to end.
    bool Form_Load();
    int exitCode() const { return m_exitCode; }

    ChatLink &link() { return *m_link; }
    GameContext &game() { return *m_game; }
    // What the steps decided the window shows; the window draws it.
    Console &console() { return m_console; }

    // How a pop-up menu is shown; tests replace it.
    std::function<void(QMenu *)> popupMenu;

    using Ctl = ConsoleState::Ctl;
    using List = ConsoleState::List;

    // MainControls
    void focusDummy() override;

    // What the windows opened from this one work with.
    ChildContext childContext();

    // Runs a game step through the step runner (app/steprunner.h).
    void runStep(const std::function<void()> &step);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    // The game steps behind the buttons and menus, wired per stage of a game.
    void wireRoundSteps();
    void wireTurnSteps();
    // Runs step through runStep on a click; a menu entry that stays reachable
    // while a step waits (a pop-up menu) starts its step once none is under
    // way.
    // Both guards read the record, which the window draws.
    void onClick(Ctl control, void (*step)(GameContext &));
    void onIdleTrigger(QAction *action, void (*step)(GameContext &));
    // Form_Load's three jobs, each false when the program must end (the host
    // has been told, m_exitCode set): the single-instance lock in the
    // program's folder, the chat client, and orvella.ini applied to the
    // game and the menus.
    bool takeInstanceLock();
    bool openChatLink();
    bool applySettings();
    void Form_Unload();
    // SettingsWriter with the window's position of the moment; a failure is shown.
    void saveSettings();
    void setSpeed(int delay);
    void setAuto(int seconds);
    // Tick the menu entry of the game's speed (Delay) and automatic
    // countdown (Auto, also the Countdown button's caption).
    void tickSpeed();
    void tickAuto();
    void mnuTop_Click();
    void vsDrawCnt_Change();
    void Macro_Click(int index);
    void openWindow(QWidget *window);
    // The store of results beside orvella.ini, opened at the first step or
    // when the Scores window opens: SQLite is not loaded for a window that
    // only shows. A failure is told once.
    void openScores();
    void showScores();
    // The Room window and the entries that open it.
    void buildRoomEntries();
    static QAction *nextAfter(QMenu *menu, QAction *action);
    void showRoom(const QString &espTo);
    void closeRoom();
    QPointer<frmRoom> m_roomWindow;
    QAction *mnuRoom = nullptr;
    void showMacroName(int index);
    QWidget *widgetFor(Ctl control) const;
    QAction *actionFor(Ctl control) const;
    QListWidget *listFor(List list) const;
    // The record as the window was built, so drawing starts from there.
    ConsoleState shownByWidgets() const;
    // What the host changes (a marked row, the draw count) goes into the
    // record, and every change of the record onto the widgets.
    void followConsole();
    void draw();
    void applyOnTop(bool onTop);

    GameState &m_gs;
    Wadapi &m_wadapi;
    // The Speed and Auto Countdown menus' entries and their values, made
    // once with the menus.
    struct Choice
    {
        QAction *action;
        int value;
    };
    std::array<Choice, 4> m_speeds{}, m_autos{};
    HostDialogs &m_dialogs;
    Environment m_env;
    std::unique_ptr<ChatLink> m_link;
    std::unique_ptr<GameContext> m_game;
    std::unique_ptr<InstanceLock> m_instanceLock;
    std::unique_ptr<ScoreStore> m_scores;
    QString m_scoresProblem; // why there is no store
    bool m_scoresOpened = false;
    QPointer<QWidget> m_scoresWindow;
    bool m_loaded = false;
    bool m_unloaded = false;
    int m_exitCode = 0;
    Console m_console;
    ConsoleState m_drawn; // what the widgets show
    bool m_drawing = false;
    int m_drawer = 0; // the subscription of draw()
    // Held while the record is busy; nested steps share it.
    std::optional<BusyPointer::Wait> m_busyPointer;
    std::unique_ptr<StepRunner> m_runner;

private:
    // Controls, named as the host's manual names them; tests find them by
    // these object names.
    QLabel *lblWordOf = nullptr;
    QLabel *lblWord = nullptr;
    QPushButton *cmdAsk = nullptr;
    QPushButton *cmdGet = nullptr;
    QPushButton *cmdCheck = nullptr;
    QPushButton *cmdCountdown = nullptr;
    QListWidget *lstDown = nullptr;
    QPushButton *Command2 = nullptr;
    QFrame *MacroFrame = nullptr;
    QLabel *lblMacro = nullptr;
    std::array<QPushButton *, MacroCount + 1> Macro{}; // 1..MacroCount
    QPushButton *cmdGetRegs = nullptr;
    QPushButton *cmdDraw = nullptr;
    QFrame *fraDraw = nullptr;
    QScrollBar *vsDrawCnt = nullptr;
    QLineEdit *txtDrawCnt = nullptr;
    QFrame *fraPlayers = nullptr;
    QPushButton *cmdList = nullptr;
    QLabel *lblPlayercnt = nullptr;
    QListWidget *lstPlayers = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuLoad = nullptr;
    QAction *mnuRecover = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuMacro = nullptr;
    QAction *mnuSubs = nullptr;
    QAction *mnuBoxes = nullptr;
    QAction *mnuScores = nullptr;
    QMenu *mnuOptions = nullptr;
    QMenu *mnuCount = nullptr;
    QAction *mnuAutoOff = nullptr;
    QAction *mnuFifteen = nullptr;
    QAction *mnuThirty = nullptr;
    QAction *mnuSixty = nullptr;
    QMenu *mnuSpeed = nullptr;
    QAction *mnuVeryFast = nullptr;
    QAction *mnuFast = nullptr;
    QAction *mnuMedium = nullptr;
    QAction *mnuSlow = nullptr;
    QAction *mnuTop = nullptr;
    QAction *mnuSet = nullptr;
    QAction *mnuAbout = nullptr;
    QMenu *mnuDPlayer = nullptr;
    QAction *mnuDPDraw = nullptr;
    QMenu *mnuPlayer = nullptr;
    QAction *mnuPDelete = nullptr;
};
