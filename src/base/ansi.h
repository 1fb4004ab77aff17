#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the 8-bit text of the program's files and of the chat client.
// Every byte has a character (the five undefined ones map to U+0081 and so
// on, as Windows does); a character with no byte becomes '?'.
namespace Ansi {
QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);
// Whether encode() keeps every character of text.
bool canEncode(const QString &text);
// Upper case character by character, keeping any character whose capital
// the page cannot hold (µ, ß): a game word and an answer must still reach
// the room as they were typed, and keep their length.
QString upper(const QString &text);
// Removes spaces (character 32 only) from both ends: a leading tab must
// survive where it decides something.
QString trimSpaces(const QString &text);
} // namespace Ansi
