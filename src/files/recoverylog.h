#pragma once

#include "files/fileio.h"

#include <QString>

class QDateTime;
class QIODevice;
struct GameState;

// The recovery log: a Windows-1252 text file with CR LF line ends, rewritten
// whole after every game step that must survive a crash.

// "9:05pm, Saturday, December 5, 2026": English names whatever the locale.
// An unset time is written as the classic zero date, 12:00am on Saturday,
// December 30, 1899.
QString formatGameStart(const QDateTime &start);

// The six header lines: banner, version, GameStart, WordFile, "Host=" name,
// an empty line.
void writeLogHeader(QIODevice &out, const GameState &gs);
// The whole log: the header, then the [Word], [Boxes], [Down], [Players] and
// [Winners] sections. Names are quoted with any double quote inside doubled.
// A count above its list's capacity throws Failure 9; a device that fails to
// take the bytes throws Failure 57.
void writeLog(QIODevice &out, const GameState &gs);

// Rewrites gs.LogFile from gs whole, or leaves it as it was and returns the
// failure; never throws.
[[nodiscard]] WriteResult LogWriter(const GameState &gs);

// Starts the log of a newly opened game with its header. When that fails,
// the old log is removed all the same and the failure returned.
[[nodiscard]] WriteResult startNewLog(const GameState &gs);

// Title of the message boxes about the log.
QString programErrorTitle();
