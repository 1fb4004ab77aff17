#include "game/reportwrite.h"

#include "base/hostdialogs.h"

bool reportWrite(HostDialogs &dialogs, const WriteResult &result)
{
    if (!result)
        return true;
    dialogs.message(result->report(), programErrorTitle());
    return false;
}

QString programErrorTitle()
{
    return QStringLiteral("Program Error");
}
