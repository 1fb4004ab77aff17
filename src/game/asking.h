#pragma once

struct GameContext;

// A turn: the ask of the called-down player whose turn it is, the reading
// of his answer from the room and its check against the game word.
void AskingSequence(GameContext &ctx);
void cmdGet_Click(GameContext &ctx);
void cmdCheck_Click(GameContext &ctx);
