#include "game/gamestate.h"

#include "game/failure.h"

GameState &theGame()
{
    static GameState state;
    return state;
}

Integer checkedAdd(Integer a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum < INT16_MIN || sum > INT16_MAX)
        throw Failure(ErrOverflow);
    return static_cast<Integer>(sum);
}
