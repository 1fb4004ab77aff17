#pragma once

#include "files/fileio.h"
#include "files/macrofile.h"

#include <QString>

class Failure;
class HostDialogs;
struct GameState;

// The word, settings and macro files read into and written from the game
// record, and how their failures are put to the host.

// Reads up to ten game words of path into gs.Words(1..n), setting
// gs.Asked(1..n) to False as each is taken, and returns n. Entries above n
// and gs.WordCount are left alone: the caller sets WordCount once the read
// succeeded. A read failure throws Failure with the words taken so far kept.
int readWordFile(const QString &path, GameState &gs);

// The message box shown when a word file cannot be opened or read.
QString wordFileFailureText(const Failure &failure);
QString wordFileFailureTitle();

// The recovery log keeps the word file's path in Windows-1252. A path it
// cannot hold would come back with "?" in it, and the game could not be
// resumed: the host is told so at loading, with what to do, under
// wordFileFailureTitle(). Empty when the log can hold the path.
QString unresumablePathText(const QString &path);

// Reads the settings file of folder into gs, and the macro file it names as
// soon as its name is read. A missing file changes nothing and returns true.
// Any other failure is shown in a "Program Exiting" box and returns false:
// the caller must end the program without writing the file, so the faulty
// file survives for the host to see. Settings read before a failure keep
// their new values.
bool SettingsReader(GameState &gs, HostDialogs &dialogs, const QString &folder);

// Rewrites the settings file whole from gs, with the main window's edges of
// this moment, or leaves it as it was and returns the failure, naming the
// file orvella.ini; never throws.
[[nodiscard]] WriteResult SettingsWriter(const GameState &gs, const QString &folder, double left,
                                         double top);

// Reads the file named by MacroFile, if any, into Subs and Macros under the
// busy pointer. A failure is shown in a "Problem with Macro File" box; what
// was read before it stays; never throws.
void MacroReader(GameState &gs, HostDialogs &dialogs);

// The macro file's record of gs's substitutions and macros.
MacroFileRecord macrosOf(const GameState &gs);

// Rewrites the file named by MacroFile, if any, whole, or leaves it as it was
// and returns the failure; never throws.
[[nodiscard]] WriteResult MacroWriter(const GameState &gs);
