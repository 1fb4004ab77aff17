#pragma once

struct GameContext;

// Opens a loaded game: the banner in the room, the host's name from its
// echo, the invitation to register, the first word and a new recovery log.
// Fetches chat text until the title's echo shows the host's name; a close of
// the window during that wait ends it with WaitAbandoned. When no name can be
// read once the echo has had its time, the host is told why and the step
// ends with StepUndone; so is a game without a registration character.
void OpenGame(GameContext &ctx);
