#pragma once

class ScoreFigures;
struct GameContext;

// Says macro index's lines in the room, placeholders filled, pausing after
// each. The first empty line ends the macro; a line that expands to nothing
// is skipped.
// scores fills %leaders% and %wins%; null when there is no store.
void ExpandMacro(int index, GameContext &ctx, ScoreFigures *scores = nullptr);
