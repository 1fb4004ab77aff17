#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// Game words: one word or phrase per line of a Windows-1252 text file.

inline constexpr int WordFileMaxWords = 10;

// Appends up to ten game words to words. Lines are upper-cased and trimmed
// of spaces; empty lines and lines starting with a control character are
// skipped; nothing after the tenth word is read. A read failure throws
// Failure with the words taken so far appended.
void readWords(QIODevice &in, QStringList &words);

// Opens path and runs readWords on it; throws Failure (53 when missing).
void readWordFile(const QString &path, QStringList &words);
