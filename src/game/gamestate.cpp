#include "game/gamestate.h"

GameState &theGame()
{
    static GameState state;
    return state;
}
