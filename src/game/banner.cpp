#include "game/banner.h"

#include "files/programfolder.h"

QString titleLine()
{
    return QStringLiteral("«»«»  Orvella by Dalmoth  «»«»");
}

QString versionLine()
{
    return QStringLiteral("«»«»  Version ") + versionText() + QStringLiteral("  «»«»");
}

QString contactLine()
{
    return QStringLiteral("«»«»  Questions? ESP your host  «»«»");
}
