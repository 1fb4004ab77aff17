#pragma once

#include "chat/gamestatus.h"

#include <QList>

struct GameState;

// The status the players' screens show, from the game as the room has heard
// it: the pattern only as an ask said it, the word only once won, the
// countdown only once announced. leaders come from the store of results
// (none without one).
GameStatus statusOf(const GameState &gs, const QList<GameStatus::Leader> &leaders);
