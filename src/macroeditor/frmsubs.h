#pragma once

#include "game/gamestate.h"

#include "windows/childwindows.h"

#include <QWidget>

#include <array>

class HostDialogs;
class QLabel;
class QLineEdit;

// The substitutions editor: the ten texts of %sub0% to %sub9%. Every edit
// goes into Subs at once; closing rewrites the macro file, if one is named.
class frmSubs final : public SavesOnClose<QWidget>
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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Unload() override;

    GameState &m_gs;
    HostDialogs &m_dialogs;
};

// The substitutions editor as the main window's Edit menu opens it.
QWidget *createSubsEditor(GameState &gs, HostDialogs &dialogs);
