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

QString invitationLine(const QString &regChar, const QString &host)
{
    return QStringLiteral("ESP a ") + regChar + QStringLiteral(" to ") + host +
           QStringLiteral(" to register.");
}

QString noRegCharText(const QString &then)
{
    return QStringLiteral("No registration character is set, so players could not register. "
                          "Choose one under Options > Settings, then ") +
           then + QStringLiteral(" again.");
}
