#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class HostDialogs;
struct GameState;

// The program's files hold Windows-1252, where any other character becomes
// "?", and the macro file's reader ends a text at its first empty line. These
// tell the host before a write what the file will not keep, so nothing is
// lost without a word.

// One line per substitution or macro whose text would not come back as it
// is after the macro file is written and read again; empty when all would.
QStringList macroFileLosses(const GameState &gs);

// One line per substitution or macro, and for the whole file, that the
// macro file's reader would refuse, failing with every macro after it lost;
// empty when it takes the file back whole.
QStringList macroFileRefusals(const GameState &gs);

// Shows the losses and refusals in one box, or nothing when there are none,
// and returns whether the file may be written: not when the reader would
// refuse it, so the file keeps what it held.
[[nodiscard]] bool warnMacroFileLosses(const GameState &gs, HostDialogs &dialogs);

// Shows in one box which of the (caption, text) pairs the settings file would
// store with "?"; shows nothing when it can store them all.
void warnSettingsLosses(const QList<std::pair<QString, QString>> &texts, HostDialogs &dialogs);
