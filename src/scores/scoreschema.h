#pragma once

#include <QString>

class QSqlDatabase;

// The layout of scores.sqlite, numbered in PRAGMA user_version. A new file
// is made by the first layout and every upgrade after it, so the upgrade
// path runs on every new file as it runs on an old one.
namespace ScoreSchema {

inline constexpr int Version = 3;

enum class Outcome
{
    Ready,
    Newer,  // written by a later version of the program: left alone
    Failed, // a statement failed; lastError() says why
};

// Brings the open database to Version in one transaction each step.
Outcome upgrade(QSqlDatabase &db);
// The statements that fill the per-game and all-time figures from the rows
// that where picks.
QString talliesOf(const QString &where);
QString totalsOf(const QString &where);
// Only the first layout, for tests of the upgrade.
bool createFirstVersion(QSqlDatabase &db);

} // namespace ScoreSchema
