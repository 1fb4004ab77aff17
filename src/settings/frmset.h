#pragma once

#include <QWidget>

class HostDialogs;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class frmMain;
struct GameState;

// The settings dialog: the answer templates, the registration character with
// its confirmation switch, and the call-down message with its switch. It has
// no OK or Cancel: closing takes over what the controls hold and writes the
// settings file.
class frmSet final : public QWidget
{
    Q_OBJECT

public:
    // Runs Form_Load. main gives the window edges the settings file stores.
    frmSet(GameState &gs, HostDialogs &dialogs, QString folder, const frmMain &main,
           QWidget *parent = nullptr);

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
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Unload();

    GameState &m_gs;
    HostDialogs &m_dialogs;
    QString m_folder;
    const frmMain &m_main;
    bool m_unloaded = false;
};
