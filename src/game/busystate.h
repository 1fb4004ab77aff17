#pragma once

struct GameState;
class MainControls;

// The busy-state pair that brackets every game step of the main window.
void LockControls(MainControls &controls);
// Leaves cmdAsk, cmdGet, cmdCheck and cmdCountdown to the step that ran.
// Ends the busy state only when the outermost step ends; a nested step's
// end changes nothing.
void RestoreControls(MainControls &controls, const GameState &gs);
