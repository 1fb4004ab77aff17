#pragma once

#include <random>

class Console;
struct GameContext;
struct GameState;

// Calling players down for a word: fairly at random, the lowest levels first.

// The draw button: repeats the announcement while a group is down,
// otherwise draws DrawCount players.
void cmdDraw_Click(GameContext &ctx);

// Draws n players into Down and announces the group; with ReplaceName set
// the named player is being replaced. Warns the host when fewer than n
// players are registered, and resets the round when the levels 0 to 65 do
// not hold enough players.
void Draw(GameContext &ctx, int n);

// The picks of one draw: up to n players from the levels 0 to 65, level by
// level in Players order, none already in Down or named ReplaceName, each
// pick uniform over what is left of its level. Appends them to Down and
// marks them in Drawn. True when all n were found.
bool PickPlayers(GameState &gs, int n, std::mt19937 &random);

// The draw-count scroll bar moved: DrawCount takes its value, and the box
// beside it shows the number.
void takeDrawCount(GameState &gs, Console &console);

// Draw Another Player: replaces the called-down player selected in lstDown.
void DrawAnotherPlayer(GameContext &ctx);
