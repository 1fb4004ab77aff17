#pragma once

#include "game/gamefixture.h"

// The game fixture under the name the boxes window's tests know it by.

using TurnSession = GameSession;
