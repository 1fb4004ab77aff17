#include "game/opening.h"

#include "game/gamecontext.h"

void OpenGame(GameContext &) {}
