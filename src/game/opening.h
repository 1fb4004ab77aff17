#pragma once

struct GameContext;

// Opens a loaded game: the banner in the room, the host's name from its
// echo, the invitation to register, the first word and a new recovery log.
void OpenGame(GameContext &ctx);
