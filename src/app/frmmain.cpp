#include "app/frmmain.h"

#include "app/programfolder.h"

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvella V") + versionText());
}
