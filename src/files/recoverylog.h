#pragma once

#include <QString>

class HostDialogs;
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

// Rewrites gs.LogFile from gs, atomically. A failure is shown to the host
// (titled programErrorTitle()) and the game goes on; never throws a Failure.
void LogWriter(const GameState &gs, HostDialogs &dialogs);

// Starts the log of a newly opened game: the old log is deleted and the
// header written. Failures are skipped without a word.
void startNewLog(const GameState &gs);

// Title of the message boxes about the log.
QString programErrorTitle();
