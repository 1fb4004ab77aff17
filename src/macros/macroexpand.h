#pragma once

#include <QString>

struct GameState;

// Fills the placeholders of one macro line (%host%, %reg%, %words%,
// %player%, %sub0%..%sub9%, in any letter case) from the state.
QString expandMacroLine(const QString &line, const GameState &gs);
