#pragma once

#include "game/gamestate.h"
#include "windows/childwindows.h"

#include <QMainWindow>

#include <array>

class HostDialogs;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

// The macro editor: names and texts of the twenty macros, and the macro file
// they are opened from and saved to. The boxes are a working copy of macro
// EditIndex; they go into Macros only when another button is selected and
// when the window closes. Closing saves a changed set of macros, writes the
// settings file (so MacroFile is kept) and lets the window be deleted.
class frmMacro final : public SavesOnClose<QMainWindow>
{
    Q_OBJECT

public:
    // Runs Form_Load.
    explicit frmMacro(const ChildContext &context, QWidget *parent = nullptr);

    void txtButton_Click(int index);
    void mnuNew_Click();
    void mnuOpen_Click();
    // True when the macro file was written; false when the host cancelled
    // the save dialog or the write failed (the host has been told).
    bool mnuSave_Click();
    bool mnuSaveAs_Click();

    // Editor state; public for tests.
    Integer EditIndex = 1; // the macro in the boxes, 1..20
    bool Changed = false;  // the boxes changed since loading, new, open or save

    // Controls; public for tests.
    QGroupBox *Frame1 = nullptr;
    std::array<QLineEdit *, MacroCount + 1> txtButton{}; // 1..20
    QLabel *Label2 = nullptr;
    QLineEdit *txtMacroName = nullptr;
    QLabel *Label1 = nullptr;
    QPlainTextEdit *txtMacroText = nullptr;
    QLineEdit *txtMacroGuide = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuNew = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuSaveAs = nullptr;
    QAction *mnuSep1 = nullptr;
    QAction *mnuExit = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void Form_Load();
    void Form_Unload() override;
    // The question before New and Open; false when the host cancels, or when
    // the save he asked for did not happen.
    bool saveChangesFirst(const QString &title);
    // Tells the host what the file cannot hold, then writes it under the busy
    // pointer; false when the write failed or was refused, the file unchanged.
    bool writeMacroFile();
    // The write alone, once the host has been told.
    bool writeWarned();
    void showMacro(int index);
    void copyBoxesBack();
    void highlight(int index, bool selected);

    GameState &m_gs;
    HostDialogs &m_dialogs;
    std::function<void()> m_writeSettings;
};

// The macro editor as the main window's Edit menu opens it.
QWidget *createMacroEditor(const ChildContext &context);
