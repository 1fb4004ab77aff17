#include "app/childwindows.h"

#include <QWidget>

// Placeholder until the window is built: opens empty.
QWidget *createSubsEditor(GameState &, HostDialogs &)
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmSubs"));
    w->setWindowTitle(QStringLiteral("Macro Substitutions"));
    return w;
}
