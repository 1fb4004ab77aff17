#pragma once

struct GameState;
class ChatLink;
class MainControls;

// Says macro index's lines in the room, placeholders filled, pausing after
// each. The first empty line ends the macro; a line that expands to nothing
// is skipped.
void ExpandMacro(int index, GameState &gs, ChatLink &link, MainControls &controls);
