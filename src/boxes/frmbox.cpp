#include "app/childwindows.h"

#include <QWidget>

// Placeholder until the window is built: opens empty.
QWidget *createBoxWindow(GameState &, HostDialogs &, const QString &, frmMain &)
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmBox"));
    w->setWindowTitle(QStringLiteral("Box Caller"));
    return w;
}
