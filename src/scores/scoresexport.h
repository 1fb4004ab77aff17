#pragma once

#include "files/fileio.h"
#include "scores/scorestore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// What the Scores window exports: a table as CSV, a game's report as a
// page that needs nothing beside it.

// RFC 4180, lines ended by CR LF: a number as it is, so a spreadsheet
// reads it as one; any other field quoted, its quotes doubled, and one a
// spreadsheet would take for a formula (=, +, -, @ first) given a leading
// apostrophe, so a name cannot run one.
QString csvOf(const QStringList &header, const QList<QVariantList> &rows);

// The report as HTML, every piece of room text escaped and every character
// past ASCII written as a character reference, so the page reads the same
// in any encoding.
QString reportHtml(const ScoreStore::GameRow &game,
                   const std::vector<ScoreStore::WordReport> &words);
// The report's text for the window, as plain lines.
QString verdictText(ScoreStore::Verdict verdict);

// Writes text as Windows-1252 through the program's whole-file writer.
[[nodiscard]] WriteResult saveExport(const QString &path, const QString &text);
