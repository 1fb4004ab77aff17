#pragma once

#include "files/fileio.h"
#include "files/recoverylog.h"

#include <QString>

class Failure;
struct GameState;

// The recovery log of the game record.

LogHeader logHeaderOf(const GameState &gs);
LogBody logBodyOf(const GameState &gs);
// Puts a body read back into the game: the counts, the flags and the names,
// levels and boxes of every entry the body holds.
void restoreLogBody(const LogBody &body, GameState &gs);

// Rewrites gs.LogFile from gs whole, or leaves it as it was and returns the
// failure; never throws.
[[nodiscard]] WriteResult LogWriter(const GameState &gs);

// Starts gs.LogFile for a newly opened game with its header. When that
// fails, the old log is removed all the same and the failure returned.
[[nodiscard]] WriteResult startNewLog(const GameState &gs);

// The message box shown when the log, or the word file it names, cannot be
// read back, titled programErrorTitle().
QString logFailureText(const Failure &failure, const QString &file);
