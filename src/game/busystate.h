#pragma once

#include "game/consolestate.h"

struct GameContext;

// The console as the program starts: every control's caption and tip, Load
// the one step offered, no word, no players, both lists empty.
ConsoleState firstConsole();

// The busy-state pair that brackets every game step of the main window.
void LockControls(GameContext &ctx);
// Leaves cmdAsk, cmdGet, cmdCheck and cmdCountdown to the step that ran.
// Ends the busy state only when the outermost step ends; a nested step's
// end changes nothing.
void RestoreControls(GameContext &ctx);
