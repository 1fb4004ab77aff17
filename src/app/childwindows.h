#pragma once

#include <QString>

class HostDialogs;
class QWidget;
class frmMain;
struct GameState;

// The windows opened from the main window's menus. Each is shown while the
// main window is hidden, and deletes itself when closed.
QWidget *createAboutWindow();
QWidget *createMacroEditor(GameState &gs, HostDialogs &dialogs, const QString &folder,
                           frmMain &main);
QWidget *createSubsEditor(GameState &gs, HostDialogs &dialogs);
QWidget *createBoxWindow(GameState &gs, HostDialogs &dialogs, const QString &folder, frmMain &main);
QWidget *createSettingsDialog(GameState &gs, HostDialogs &dialogs, const QString &folder,
                              frmMain &main);
