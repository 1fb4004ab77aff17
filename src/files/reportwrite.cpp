#include "files/reportwrite.h"

#include "app/hostdialogs.h"
#include "files/recoverylog.h"

bool reportWrite(HostDialogs &dialogs, const WriteResult &result)
{
    if (!result)
        return true;
    dialogs.message(result->report(), programErrorTitle());
    return false;
}
