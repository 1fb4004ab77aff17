#pragma once

#include "game/gamestate.h"

#include <QWidget>

#include <array>

class HostDialogs;
class QLabel;
class QLineEdit;

// The substitutions editor: the ten texts of %sub0% to %sub9%. Every edit
// goes into Subs at once; closing rewrites the macro file, if one is named.
class frmSubs final : public QWidget
{
    Q_OBJECT

public:
    frmSubs(GameState &gs, HostDialogs &dialogs, QWidget *parent = nullptr);

    // Controls; public for tests.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    std::array<QLabel *, SubCount> Label3{};
    std::array<QLineEdit *, SubCount> txtSub{};

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    GameState &m_gs;
    HostDialogs &m_dialogs;
    bool m_unloaded = false;
};
