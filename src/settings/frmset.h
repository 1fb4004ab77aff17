#pragma once

#include "windows/childwindows.h"

#include <QWidget>

class ChatLink;
class HostDialogs;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
struct GameState;

// The settings dialog: the answer templates, the registration character with
// its confirmation switch, and the call-down message with its switch. It has
// no OK or Cancel: closing takes over what the controls hold and writes the
// settings file.
class frmSet final : public SavesOnClose<QWidget>
{
    Q_OBJECT

public:
    // Runs Form_Load.
    explicit frmSet(const ChildContext &context, QWidget *parent = nullptr);

    // Controls; public for tests.
    QGroupBox *Frame1 = nullptr;
    QLineEdit *txtSorry = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLineEdit *txtWTG = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *lblReg = nullptr;
    QLineEdit *txtRegChar = nullptr;
    QCheckBox *chkConfirm = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLineEdit *txtCalldown = nullptr;
    QGroupBox *Frame5 = nullptr;
    QCheckBox *chkCalldown = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Unload() override;

    GameState &m_gs;
    HostDialogs &m_dialogs;
    std::function<void()> m_writeSettings;
    std::function<ChatLink *()> m_link;
};

// The settings dialog as the main window's Options menu opens it.
QWidget *createSettingsDialog(const ChildContext &context);
