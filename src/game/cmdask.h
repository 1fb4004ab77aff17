#pragma once

struct GameContext;

// The main button: Load, then Start, then Ask, by game phase.
void cmdAsk_Click(GameContext &ctx);
