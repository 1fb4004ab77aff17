#pragma once

struct GameContext;

// Resumes a game broken off by a crash: reads the recovery log back, reloads
// the word file it names, makes sure the host in the room is the logged
// host, restores the game and tells the room. A log that holds only the
// opening's header starts the game afresh from its first word. Failures to
// read either file are shown to the host and stop the recovery where it
// stands; a host that cannot be confirmed ends it as a bad recovery. Without
// a registration character the host is told and nothing is said.
void RecoverGame(GameContext &ctx);
