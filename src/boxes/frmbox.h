#pragma once

#include "game/boxpick.h"
#include "game/gamestate.h"
#include "windows/busypointer.h"
#include "windows/childwindows.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
struct GameState;

// "Box Caller": the ten coloured boxes, drawn from a BoxPick (game/boxpick.h).
// Over a winner's pick (CallWinner) it hands the host's clicks and its close
// to the match, which runs them and ends the pick; the window closes when the
// pick ends. Opened from the Edit menu it keeps a pick of its own
// (EditDefaults), runs the same handlers at once and, on closing, makes the
// marks the default set and writes the settings file.
class frmBox final : public SavesOnClose<QMainWindow>
{
    Q_OBJECT

public:
    // The look of box i; its caption is the game's (boxCaption).
    struct Colour
    {
        unsigned rgb;
        bool whiteText;
    };
    static const std::array<Colour, BoxCount> Colours;

    // Over pick when given; otherwise over a pick of its own, editing the
    // default set.
    explicit frmBox(const ChildContext &context, BoxPick *pick = nullptr,
                    QWidget *parent = nullptr);
    ~frmBox() override;

    // What the host's clicks ask of the pick.
    void cmdCall_Click();
    void lblBox_Click(int index);
    void mnuReset_Click();

    std::array<QLabel *, BoxCount> lblBox{};
    std::array<QCheckBox *, BoxCount> chkBox{};
    QPushButton *cmdCall = nullptr;
    QPushButton *Command2 = nullptr;
    QMenu *mnuOptions = nullptr;
    QAction *mnuReset = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Activate();
    void Form_Unload() override;
    void draw();
    void hand(BoxPick::Request request);
    void keepPosition();
    void leavePick();

    GameState &m_gs;
    std::function<void()> m_writeSettings;
    // Compared with, never used: events still reach the filter while the
    // main window is being destroyed and is no longer a frmMain.
    const QObject *m_mainObject = nullptr;
    std::unique_ptr<BoxPick> m_ownPick; // editing the default set
    // Null once the pick has ended.
    BoxPick *m_pick = nullptr;
    BoxMode m_mode = BoxMode::EditDefaults;
    int m_observer = 0;
    // The normal pointer over the main window's hourglass while the host
    // works here, and this window's own hourglass while a call goes out.
    std::optional<BusyPointer::Normal> m_normalPointer;
    std::optional<BusyPointer::Wait> m_callPointer;
};

// The boxes window, over a winner's pick, or editing the default set without one.
QWidget *createBoxWindow(const ChildContext &context, BoxPick *pick = nullptr);
