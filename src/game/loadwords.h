#pragma once

struct GameContext;

// Asks the host for a word file and loads up to ten words from it.
void LoadWords(GameContext &ctx);
