#pragma once

#include "files/fileio.h"

class HostDialogs;

// Shows a writer's failure, if any, in a "Program Error" box and returns
// whether the write succeeded. The game and the windows go on either way.
bool reportWrite(HostDialogs &dialogs, const WriteResult &result);

// Title of the message boxes about the log and the writes.
QString programErrorTitle();
