#pragma once

#include <QString>

class ScoreFigures;
struct GameState;

// Fills the placeholders of one macro line (%host%, %reg%, %words%,
// %player%, %sub0%..%sub9%, %leaders%, %wins%, in any letter case) from the
// state and the store of results; without a store the last two are empty.
// A name said through them is said as it is, never read for placeholders.
QString expandMacroLine(const QString &line, const GameState &gs, ScoreFigures *scores = nullptr);

// The placeholders as the macro editor lists them.
QString placeholderList();
