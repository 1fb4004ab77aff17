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
// "ESP a " + regChar + " to " + host + " to register.", said when a game
// opens or resumes.
QString invitationLine(const QString &regChar, const QString &host);
// Why a game cannot open or resume without a registration character; then
// names what the host does next ("click Start").
QString noRegCharText(const QString &then);
