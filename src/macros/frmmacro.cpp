#include "app/childwindows.h"

#include <QWidget>

// Placeholder until the window is built: opens empty.
QWidget *createMacroEditor(GameState &, HostDialogs &, const QString &, frmMain &)
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmMacro"));
    w->setWindowTitle(QStringLiteral("Macro Editor"));
    return w;
}
