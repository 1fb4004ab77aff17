#pragma once

#include <QString>

class Failure;
class QIODevice;
struct GameState;

// Game words: one word or phrase per line of a Windows-1252 text file.

// Reads up to ten game words into gs.Words(1..n), setting gs.Asked(1..n) to
// False as each is taken, and returns n. Lines are upper-cased and trimmed of
// spaces; empty lines and lines starting with a control character are
// skipped; nothing after the tenth word is read. Entries above n and
// gs.WordCount are left alone: the caller sets WordCount once the read
// succeeded. A read failure throws Failure with the words taken so far kept.
int readWords(QIODevice &in, GameState &gs);

// Opens path and runs readWords on it; throws Failure (53 when missing).
int readWordFile(const QString &path, GameState &gs);

// The message box shown when a word file cannot be opened or read.
QString wordFileFailureText(const Failure &failure);
QString wordFileFailureTitle();

// The recovery log keeps the word file's path in Windows-1252. A path it
// cannot hold would come back with "?" in it, and the game could not be
// resumed: the host is told so at loading, with what to do, under
// wordFileFailureTitle(). Empty when the log can hold the path.
QString unresumablePathText(const QString &path);
