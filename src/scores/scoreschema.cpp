#include "scores/scoreschema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// Pending rows wait on the recovery log whose fingerprint the game holds.
const QStringList FirstVersion = {
    QStringLiteral("CREATE TABLE games(id INTEGER PRIMARY KEY, opened TEXT NOT NULL, ended TEXT,"
                   " log_start TEXT NOT NULL, word_file TEXT NOT NULL, host TEXT NOT NULL,"
                   " word_count INTEGER NOT NULL, pending_print TEXT,"
                   " end_pending INTEGER NOT NULL DEFAULT 0)"),
    QStringLiteral("CREATE TABLE registrations(game INTEGER NOT NULL REFERENCES games(id),"
                   " player TEXT NOT NULL, pending INTEGER NOT NULL DEFAULT 0,"
                   " UNIQUE(game, player))"),
    QStringLiteral(
        "CREATE TABLE calls(id INTEGER PRIMARY KEY,"
        " game INTEGER NOT NULL REFERENCES games(id), word_index INTEGER NOT NULL,"
        " word TEXT NOT NULL, player TEXT NOT NULL, pending INTEGER NOT NULL DEFAULT 0)"),
    QStringLiteral("CREATE TABLE answers(id INTEGER PRIMARY KEY,"
                   " game INTEGER NOT NULL REFERENCES games(id), word_index INTEGER NOT NULL,"
                   " word TEXT NOT NULL, player TEXT NOT NULL, answer TEXT NOT NULL,"
                   " marks TEXT NOT NULL, verdict INTEGER NOT NULL, countdown INTEGER NOT NULL,"
                   " pending INTEGER NOT NULL DEFAULT 0)"),
    QStringLiteral("CREATE TABLE wins(game INTEGER NOT NULL REFERENCES games(id),"
                   " word_index INTEGER NOT NULL, word TEXT NOT NULL, player TEXT NOT NULL,"
                   " box TEXT NOT NULL, pending INTEGER NOT NULL DEFAULT 0,"
                   " PRIMARY KEY(game, word_index))"),
};

// Merged players, kept so a merge can be undone; the indexes the Scores
// window reads by; and each player's figures per game and of all time,
// kept with the rows they sum so the window need not read every answer
// (filled by the next step, which adds to them).
const QStringList SecondVersion = {
    QStringLiteral("CREATE TABLE merges(id INTEGER PRIMARY KEY, from_name TEXT NOT NULL,"
                   " into_name TEXT NOT NULL, made TEXT NOT NULL, undone TEXT)"),
    QStringLiteral("CREATE INDEX games_opened ON games(opened)"),
    QStringLiteral("CREATE INDEX answers_game ON answers(game)"),
    QStringLiteral("CREATE INDEX calls_game ON calls(game)"),
    QStringLiteral("CREATE TABLE tallies(game INTEGER NOT NULL REFERENCES games(id),"
                   " player TEXT NOT NULL, opened TEXT NOT NULL, registered INTEGER NOT NULL,"
                   " answers INTEGER NOT NULL, right INTEGER NOT NULL, won INTEGER NOT NULL,"
                   " streak INTEGER NOT NULL, PRIMARY KEY(game, player))"),
    QStringLiteral("CREATE INDEX tallies_opened ON tallies(opened)"),
    QStringLiteral("CREATE INDEX tallies_player ON tallies(player)"),
    QStringLiteral("CREATE TABLE totals(player TEXT PRIMARY KEY, games INTEGER NOT NULL,"
                   " answers INTEGER NOT NULL, right INTEGER NOT NULL, won INTEGER NOT NULL,"
                   " streak INTEGER NOT NULL, last TEXT)"),
};

// When each registration and answer was made, so a player's last game is
// dated by the player's own last word rather than the game's opening; rows
// of older files have none and are dated by their game's opening.
const QStringList ThirdVersion = {
    QStringLiteral("ALTER TABLE registrations ADD COLUMN at TEXT"),
    QStringLiteral("ALTER TABLE answers ADD COLUMN at TEXT"),
    QStringLiteral("ALTER TABLE tallies ADD COLUMN last TEXT"),
    QStringLiteral("DELETE FROM tallies"),
    QStringLiteral("DELETE FROM totals"),
    ScoreSchema::talliesOf(QStringLiteral("1")),
    ScoreSchema::totalsOf(QStringLiteral("1")),
};

bool step(QSqlDatabase &db, const QStringList &statements, int version)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    for (const QString &s : statements) {
        if (!q.exec(s)) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)) ||
        !q.exec(QStringLiteral("COMMIT"))) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

} // namespace

namespace ScoreSchema {

// A won word's run: within a game, won words whose numbers run on without a
// gap share one value of word_index minus their rank.
QString talliesOf(const QString &where)
{
    return QStringLiteral(
               "INSERT INTO tallies SELECT u.game, u.player, g.opened, MAX(reg), SUM(ans),"
               " SUM(rt), SUM(won), MAX(streak), COALESCE(MAX(u.at), g.opened) FROM ("
               "SELECT game, player, 1 reg, 0 ans, 0 rt, 0 won, 0 streak, at FROM registrations"
               " WHERE %1"
               " UNION ALL SELECT game, player, 0, verdict <> 2, verdict = 0, 0, 0, at FROM"
               " answers WHERE %1"
               " UNION ALL SELECT game, player, 0, 0, 0, COUNT(*), COUNT(*), NULL FROM (SELECT "
               "game,"
               " player, word_index - ROW_NUMBER() OVER (PARTITION BY game, player ORDER BY"
               " word_index) grp FROM wins WHERE %1) GROUP BY game, player, grp"
               ") u JOIN games g ON g.id = u.game GROUP BY u.game, u.player")
        .arg(where);
}

QString totalsOf(const QString &where)
{
    return QStringLiteral("INSERT INTO totals SELECT player, SUM(registered), SUM(answers),"
                          " SUM(right), SUM(won), MAX(streak), MAX(CASE WHEN registered THEN"
                          " last END) FROM tallies WHERE %1 GROUP BY player")
        .arg(where);
}

bool createFirstVersion(QSqlDatabase &db)
{
    return step(db, FirstVersion, 1);
}

Outcome upgrade(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return Outcome::Failed;
    const int found = q.value(0).toInt();
    q.finish();
    if (found > Version)
        return Outcome::Newer;
    const QStringList *steps[] = {&FirstVersion, &SecondVersion, &ThirdVersion};
    for (int v = found; v < Version; ++v)
        if (!step(db, *steps[v], v + 1))
            return Outcome::Failed;
    return Outcome::Ready;
}

} // namespace ScoreSchema
