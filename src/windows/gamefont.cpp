#include "windows/gamefont.h"

#include <QFontDatabase>

QFont gameFont(int pointSize)
{
    // Asked once: the answer costs a look through the system's font setup.
    static const bool worldsAway = QFontDatabase::hasFamily(QStringLiteral("WorldsAway"));
    QFont font;
    if (worldsAway)
        font = QFont(QStringLiteral("WorldsAway"));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setBold(true);
    return font;
}
