#pragma once

#include <QByteArray>

struct GameContext;
struct LogBody;

// Commits what the step told the results store, then rewrites the recovery
// log and tells the host when that fails.
void saveProgress(GameContext &ctx);

// A fingerprint of a log body as the log file holds it: equal for the body
// written and the body read back. Throws the writer's Failure for a body it
// cannot write (a count past its list).
QByteArray logPrint(const LogBody &body);
