#pragma once

#include <QString>

class ScoreFigures;
struct GameState;

// Fills the placeholders of one macro line (%host%, %reg%, %words%,
// %player%, %sub0%..%sub9%, %leaders%, %wins%, in any letter case) from the
// state and the store of results. A line in which one of the game's values
// is missing (no player drawn, no store, nobody has won) comes out empty,
// so it is not said; an empty substitution only leaves its place empty.
// A name said through the figures is said as it is, never read for
// placeholders.
QString expandMacroLine(const QString &line, const GameState &gs, ScoreFigures *scores = nullptr);

// The placeholders as the macro editor lists them.
QString placeholderList();
