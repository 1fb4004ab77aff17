#pragma once

#include "files/fileio.h"

class QIODevice;
class HostDialogs;
struct GameState;

// The macro file: a [Substitutions] section and the twenty macro blocks,
// Windows-1252, lines ending in CR LF.

// Reads Subs and Macros from in. Entries the file does not mention keep their
// values. Throws Failure; what was read before the failure stays.
void readMacros(QIODevice &in, GameState &gs);

// Writes Subs and Macros 1..20. A macro whose text is empty, a single space or
// starts with a control character is written as its header alone.
void writeMacros(QIODevice &out, const GameState &gs);

// Reads the file named by MacroFile, if any, under the busy pointer. A failure
// is shown in a "Problem with Macro File" box; never throws.
void MacroReader(GameState &gs, HostDialogs &dialogs);

// Rewrites the file named by MacroFile, if any, whole, or leaves it as it was
// and returns the failure; never throws.
[[nodiscard]] WriteResult MacroWriter(const GameState &gs);
