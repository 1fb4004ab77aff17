#pragma once

#include <QString>

// The program's banner lines: said in the room when a game opens or resumes,
// and heading the recovery log.

// "«»«»  Orvella by Dalmoth  «»«»". Its echo in the chat text identifies the
// host and marks where a game starts.
QString titleLine();
// Carries the version as major.minor.revision.
QString versionLine();
QString contactLine();
