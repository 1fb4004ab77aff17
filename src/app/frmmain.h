#pragma once

#include "game/consolestate.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"
#include "session/session.h"
#include "windows/busypointer.h"
#include "windows/childwindows.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class frmRoom;
class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
struct GameState;

// The host's console: the word display, the turn buttons, the called-down
// players, the macro buttons, the draw and the registered players.
class frmMain final : public QMainWindow, public MainControls
{
    Q_OBJECT

public:
    // The window over a session (session/session.h), which outlives it.
    explicit frmMain(Session &session, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up: the session's, then the window's own part. False when the
    // program must end at once; the host has been told why and the
    // session's exitCode() says how to end.
    bool Form_Load();

    Session &session() { return m_session; }

    // How a pop-up menu is shown; tests replace it.
    std::function<void(QMenu *)> popupMenu;

    using Ctl = ConsoleState::Ctl;
    using List = ConsoleState::List;

    // MainControls
    void focusDummy() override;

    // The turn button of a control, as the host sees it pressed.
    QPushButton *turnButton(Ctl control) const;
    // The Scores window, beside this one.
    void showScores();

    // What the windows opened from this one work with.
    ChildContext childContext();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    // The game steps behind the buttons and menus, wired per stage of a game.
    void wireRoundSteps();
    void wireTurnSteps();
    // A click on the control, or on the menu entry, goes to the session.
    void onClick(Ctl control);
    void onTrigger(QAction *action, Session::Entry entry);
    // orvella.ini's place, speed, countdown and on-top applied to the window.
    void applySettings();
    void Form_Unload();
    // Tick the menu entry of the game's speed (Delay) and automatic
    // countdown (Auto).
    void tickSpeed();
    void tickAuto();
    void mnuTop_Click();
    void vsDrawCnt_Change();
    void openWindow(QWidget *window);
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

    Session &m_session;
    GameState &m_gs;
    Console &m_console;
    // The Speed and Auto Countdown menus' entries and their values, made
    // once with the menus.
    struct Choice
    {
        QAction *action;
        int value;
    };
    std::array<Choice, 4> m_speeds{}, m_autos{};
    QPointer<QWidget> m_scoresWindow;
    bool m_loaded = false;
    bool m_unloaded = false;
    ConsoleState m_drawn; // what the widgets show
    bool m_drawing = false;
    int m_drawer = 0; // the subscription of draw()
    // Held while the record is busy; nested steps share it.
    std::optional<BusyPointer::Wait> m_busyPointer;

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
