#include "files/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString programFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
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
