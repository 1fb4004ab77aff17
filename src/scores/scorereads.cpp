// What the Scores window and the macros read from the store.
#include "scores/scorestore.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace {

QDateTime fromText(const QVariant &v)
{
    if (v.isNull())
        return QDateTime();
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toLocalTime();
}

// A player's name as the tables show it: merges followed to their end.
const QString Canon = QStringLiteral("COALESCE(a.canon, %1.player)");

// Every player who won a word, under the name merges give, with the words
// won: most first, a tie by name.
QString winnersByWins()
{
    return QStringLiteral("SELECT ") + Canon.arg(QLatin1String("t")) +
           QStringLiteral(" p, SUM(t.won) n FROM totals t LEFT JOIN temp.alias a ON a.name = "
                          "t.player GROUP BY p HAVING n > 0 ORDER BY n DESC, p");
}

} // namespace

// The live merges as a temporary table of name -> final name, which every
// read joins; a chain of merges is followed, a circle stops where it closes.
bool ScoreStore::loadAliases()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS alias(name TEXT PRIMARY KEY, "
                               "canon TEXT NOT NULL)")) ||
        !q.exec(QStringLiteral("DELETE FROM temp.alias")))
        return false;
    QHash<QString, QString> into;
    for (const Merge &m : merges())
        into.insert(m.from, m.into);
    for (auto it = into.cbegin(); it != into.cend(); ++it) {
        QString canon = it.value();
        QSet<QString> seen{it.key()};
        while (into.contains(canon) && !seen.contains(canon)) {
            seen.insert(canon);
            canon = into.value(canon);
        }
        q.prepare(QStringLiteral("INSERT INTO temp.alias(name, canon) VALUES(?, ?)"));
        q.addBindValue(it.key());
        q.addBindValue(canon);
        if (!q.exec())
            return false;
    }
    return true;
}

std::vector<ScoreStore::PlayerRow> ScoreStore::players(Period period, const QDateTime &now)
{
    std::vector<PlayerRow> out;
    if (!loadAliases())
        return out;
    QString where = QStringLiteral("1");
    QVariant bound;
    switch (period) {
    case Period::ThisGame:
        where = QStringLiteral("t.game = ?");
        bound = m_game;
        break;
    case Period::Today:
        where = QStringLiteral("t.opened >= ?");
        bound = QDateTime(now.date(), QTime(0, 0)).toUTC().toString(Qt::ISODateWithMs);
        break;
    case Period::Last7Days:
    case Period::Last30Days:
        where = QStringLiteral("t.opened >= ?");
        bound =
            now.addDays(period == Period::Last7Days ? -7 : -30).toUTC().toString(Qt::ISODateWithMs);
        break;
    case Period::AllTime:
        break;
    }
    // All time reads the running totals; a period, and a name joined by a
    // merge, sum the games' figures, so a game both names played counts once.
    const QString merged = QStringLiteral("(t.player IN (SELECT name FROM temp.alias) OR t.player "
                                          "IN (SELECT canon FROM temp.alias))");
    const QString summed =
        QStringLiteral("SELECT ") + Canon.arg(QLatin1String("t")) +
        QStringLiteral(" p, COUNT(DISTINCT CASE WHEN t.registered THEN t.game END), SUM(t.won), "
                       "SUM(t.answers), SUM(t.right), MAX(t.streak), MAX(CASE WHEN t.registered "
                       "THEN t.last END) FROM tallies t LEFT JOIN temp.alias a ON a.name = "
                       "t.player WHERE %1 GROUP BY p");
    const QString sql =
        period == Period::AllTime
            ? QStringLiteral("SELECT t.player, t.games, t.won, t.answers, t.right, t.streak, "
                             "t.last FROM totals t WHERE NOT ") +
                  merged + QStringLiteral(" UNION ALL ") + summed.arg(merged)
            : summed.arg(where);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    if (!bound.isNull())
        q.addBindValue(bound);
    if (!q.exec())
        return out;
    QHash<QString, qsizetype> at;
    while (q.next()) {
        at.insert(q.value(0).toString(), qsizetype(out.size()));
        out.push_back({q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(),
                       q.value(3).toInt(), q.value(4).toInt(), q.value(5).toInt(),
                       fromText(q.value(6))});
    }
    // A run of won words may pass from one merged name to the other.
    QString gamesWhere = where;
    gamesWhere.replace(QLatin1String("t.game"), QLatin1String("g.id"))
        .replace(QLatin1String("t.opened"), QLatin1String("g.opened"));
    QString wonBy = merged;
    wonBy.replace(QLatin1String("t.player"), QLatin1String("w.player"));
    q.prepare(
        QStringLiteral("SELECT p, MAX(n) FROM (SELECT p, COUNT(*) n FROM (SELECT ") +
        Canon.arg(QLatin1String("w")) +
        QStringLiteral(" p, w.game, w.word_index - ROW_NUMBER() OVER (PARTITION BY w.game, ") +
        Canon.arg(QLatin1String("w")) +
        QStringLiteral(" ORDER BY w.word_index) grp FROM wins w JOIN games g ON g.id = "
                       "w.game LEFT JOIN temp.alias a ON a.name = w.player WHERE ") +
        wonBy + QStringLiteral(" AND ") + gamesWhere +
        QStringLiteral(") GROUP BY p, game, grp) GROUP BY p"));
    if (!bound.isNull())
        q.addBindValue(bound);
    if (q.exec())
        while (q.next())
            if (const auto i = at.find(q.value(0).toString()); i != at.end())
                out[size_t(*i)].bestStreak = q.value(1).toInt();
    std::sort(out.begin(), out.end(),
              [](const PlayerRow &a, const PlayerRow &b) { return a.name < b.name; });
    return out;
}
QStringList ScoreStore::currentPlayers()
{
    QStringList out;
    if (!m_game || !loadAliases())
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT DISTINCT ") + Canon.arg(QLatin1String("r")) +
              QStringLiteral(" FROM registrations r LEFT JOIN temp.alias a ON a.name = r.player "
                             "WHERE r.game = ?"));
    q.addBindValue(m_game);
    if (q.exec())
        while (q.next())
            out << q.value(0).toString();
    return out;
}

// Thousands of rows: the times come as milliseconds, in UTC, which costs
// nothing to take; the window shows them in local time.
std::vector<ScoreStore::GameRow> ScoreStore::games()
{
    std::vector<GameRow> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    const QString ms =
        QStringLiteral("CAST(ROUND((julianday(%1) - 2440587.5) * 86400000) AS INTEGER)");
    if (!q.exec(QStringLiteral("SELECT g.id, ") + ms.arg(QLatin1String("g.opened")) +
                QStringLiteral(", ") + ms.arg(QLatin1String("g.ended")) +
                QStringLiteral(", g.host, g.word_file, g.word_count, (SELECT COUNT(*) FROM wins w "
                               "WHERE w.game = g.id) FROM games g ORDER BY g.opened DESC, g.id "
                               "DESC")))
        return out;
    auto time = [](const QVariant &v) {
        return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
    };
    while (q.next())
        out.push_back({q.value(0).toLongLong(), time(q.value(1)), time(q.value(2)),
                       q.value(3).toString(), q.value(4).toString(), q.value(5).toInt(),
                       q.value(6).toInt()});
    return out;
}

std::vector<ScoreStore::WordReport> ScoreStore::report(qint64 game)
{
    std::map<int, WordReport> words;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    auto run = [&](const QString &sql, const std::function<void(WordReport &)> &take) {
        q.prepare(sql);
        q.addBindValue(game);
        if (!q.exec())
            return;
        while (q.next()) {
            WordReport &w = words[q.value(0).toInt()];
            w.index = q.value(0).toInt();
            w.word = q.value(1).toString();
            take(w);
        }
    };
    run(QStringLiteral("SELECT word_index, word, player FROM calls WHERE game = ? ORDER BY id"),
        [&](WordReport &w) { w.calledDown << q.value(2).toString(); });
    run(QStringLiteral("SELECT word_index, word, player, answer, marks, verdict, countdown "
                       "FROM answers WHERE game = ? ORDER BY id"),
        [&](WordReport &w) {
            w.answers.push_back({q.value(2).toString(), q.value(3).toString(),
                                 q.value(4).toString(), Verdict(q.value(5).toInt()),
                                 q.value(6).toBool()});
        });
    run(QStringLiteral("SELECT word_index, word, player, box FROM wins WHERE game = ?"),
        [&](WordReport &w) {
            w.winner = q.value(2).toString();
            w.box = q.value(3).toString();
        });
    std::vector<WordReport> out;
    for (auto &[index, w] : words)
        out.push_back(std::move(w));
    return out;
}

// The top three, and how many more share the third's count: naming some of
// a tie and not the others would rank them, and naming all of a large one
// would make a line the room cannot take.
QString ScoreStore::leaders()
{
    QStringList out;
    if (!loadAliases())
        return QString();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(winnersByWins()))
        return QString();
    int third = 0, more = 0;
    while (q.next()) {
        const int won = q.value(1).toInt();
        if (out.size() < 3) {
            out << q.value(0).toString() + u' ' + QString::number(won);
            third = won;
        } else if (won == third) {
            ++more;
        } else {
            break;
        }
    }
    QString said = out.join(QStringLiteral(", "));
    if (more)
        said += QStringLiteral(" and %1 more with %2").arg(more).arg(third);
    return said;
}

QList<GameStatus::Leader> ScoreStore::topWinners(int count)
{
    QList<GameStatus::Leader> out;
    if (count < 1 || !loadAliases())
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(winnersByWins() + QStringLiteral(" LIMIT ?"));
    q.addBindValue(count);
    if (q.exec())
        while (q.next())
            out << GameStatus::Leader{q.value(0).toString(), q.value(1).toInt()};
    return out;
}

int ScoreStore::wins(const QString &player)
{
    if (player.isEmpty() || !loadAliases())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT SUM(t.won) FROM totals t LEFT JOIN temp.alias a ON a.name = "
                             "t.player WHERE ") +
              Canon.arg(QLatin1String("t")) +
              QStringLiteral(" = COALESCE((SELECT canon FROM temp.alias WHERE name = ?), ?)"));
    q.addBindValue(player);
    q.addBindValue(player);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

std::vector<ScoreStore::Merge> ScoreStore::merges()
{
    std::vector<Merge> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT id, from_name, into_name, made FROM merges WHERE undone "
                               "IS NULL ORDER BY id")))
        return out;
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
                       fromText(q.value(3))});
    return out;
}

bool ScoreStore::mergePlayers(const QString &from, const QString &into)
{
    if (from.isEmpty() || into.isEmpty() || from == into)
        return false;
    return transact([&] {
        return exec(QStringLiteral("INSERT INTO merges(from_name, into_name, made) "
                                   "VALUES(?, ?, ?)"),
                    {from, into, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)});
    });
}

bool ScoreStore::undoMerge(qint64 id)
{
    return transact([&] {
        return exec(QStringLiteral("UPDATE merges SET undone = ? WHERE id = ? AND undone IS NULL"),
                    {QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs), id});
    });
}
