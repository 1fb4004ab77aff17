#include "game/asking.h"

#include "game/gamecontext.h"

void AskingSequence(GameContext &) {}
void cmdGet_Click(GameContext &) {}
void cmdCheck_Click(GameContext &) {}
