#include "files/programfolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString programFolder()
{
    // Made by start-up, which tells the host when it cannot be.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString appName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ORVELLA_VERSION_MAJOR)
        .arg(ORVELLA_VERSION_MINOR)
        .arg(ORVELLA_VERSION_PATCH);
}
