#include "app/childwindows.h"

#include <QWidget>

// Placeholder until the window is built: opens empty.
QWidget *createSettingsDialog(GameState &, HostDialogs &, const QString &, frmMain &)
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmSet"));
    w->setWindowTitle(QStringLiteral("Settings"));
    return w;
}
