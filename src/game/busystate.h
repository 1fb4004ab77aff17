#pragma once

class Console;
struct GameContext;
struct GameState;

// What the main window shows once the settings are read: no players, Load
// the one step offered, no word, both lists empty.
void showFirstState(GameState &gs, Console &console);

// The busy-state pair that brackets every game step of the main window.
void LockControls(GameContext &ctx);
// Leaves cmdAsk, cmdGet, cmdCheck and cmdCountdown to the step that ran.
// Ends the busy state only when the outermost step ends; a nested step's
// end changes nothing.
void RestoreControls(GameContext &ctx);
