#pragma once

#include "game/gamestate.h"
#include "windows/busypointer.h"
#include "windows/childwindows.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <optional>

class HostDialogs;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
struct GameState;

// "Box Caller": the ten coloured boxes. In the mode BoxMode has at opening,
// EditDefaults, it edits the default set kept in the settings file; in
// CallWinner it calls the available boxes for the word's winner and records
// the one he picks. Closing it stores the check marks (InDefault, or
// Available when calling), sets BoxMode back to EditDefaults and releases
// the window.
class frmBox final : public SavesOnClose<QMainWindow>
{
    Q_OBJECT

public:
    struct Colour
    {
        const char16_t *caption;
        unsigned rgb;
        bool whiteText;
    };
    // Index i is the same in Boxes, chkBox, lblBox, the settings file and
    // the recovery log.
    static const std::array<Colour, BoxCount> Colours;

    explicit frmBox(const ChildContext &context, QWidget *parent = nullptr);

    // Mode 2: says the available colours in the room. Mode 1 ("Set
    // Default"): the checked boxes become the default set and available.
    void cmdCall_Click();
    // Mode 2: an available colour goes to the winner and is taken out of
    // play; an unavailable one is only said to be so. Mode 1: toggles it.
    void lblBox_Click(int index);
    // Checks every box of the default set; nothing is unchecked.
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
    // Sends a line to the room; false when the chat link failed or the
    // program is closing, and the handler should stop.
    bool say(const QString &line, bool pause);

    GameState &m_gs;
    HostDialogs &m_dialogs;
    std::function<void()> m_writeSettings;
    std::function<ChatLink *()> m_link;
    // Compared with, never used: events still reach the filter while the
    // main window is being destroyed and is no longer a frmMain.
    const QObject *m_mainObject = nullptr;
    // The mode the window was opened in; BoxMode may be changed under it.
    BoxMode m_mode = BoxMode::EditDefaults;
    // A close asked for while a handler waits is carried out when it ends,
    // so the window is never released under a running handler.
    int m_busy = 0;
    bool m_closePending = false;
    // The normal pointer over the main window's hourglass while the host
    // works here, and this window's own hourglass while a call goes out.
    std::optional<BusyPointer::Normal> m_normalPointer;
    std::optional<BusyPointer::Wait> m_callPointer;
};

// The boxes window, for the Edit menu (EditDefaults) or a winner's match (CallWinner).
QWidget *createBoxWindow(const ChildContext &context);
