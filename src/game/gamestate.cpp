#include "game/gamestate.h"

void GlobalsInit(GameState &gs)
{
    gs.HostName = QStringLiteral("Me");
    gs.GamePhase = GamePhase::NoWords;
    gs.PlayerCount = 0;
    gs.WinnerCount = 0;
    gs.BoxMode = BoxMode::EditDefaults;
    gs.Calldown = false;
    for (PlayerRec &p : gs.Players)
        p = PlayerRec();
    for (int i = 1; i <= MaxWords; ++i)
        gs.Asked[i] = false;
}

GameState &theGame()
{
    static GameState state;
    return state;
}
