#pragma once

#include <QString>

// `orvella-room --join NAME`: a person in a running room from this
// terminal. Typed lines go to the room; the room's lines are printed.
// Returns the process's exit code once the room or the input has ended.
int runJoinClient(const QString &peoplePath, const QString &name);
