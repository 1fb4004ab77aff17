#include "files/loadwords.h"

#include "game/gamecontext.h"

void LoadWords(GameContext &) {}
