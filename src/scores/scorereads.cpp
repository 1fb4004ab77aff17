// What the Scores window and the macros read from the store.
#include "scores/scorestore.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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
        where = QStringLiteral("g.id = ?");
        bound = m_game;
        break;
    case Period::Today:
        where = QStringLiteral("g.opened >= ?");
        bound = QDateTime(now.date(), QTime(0, 0)).toUTC().toString(Qt::ISODateWithMs);
        break;
    case Period::Last7Days:
    case Period::Last30Days:
        where = QStringLiteral("g.opened >= ?");
        bound =
            now.addDays(period == Period::Last7Days ? -7 : -30).toUTC().toString(Qt::ISODateWithMs);
        break;
    case Period::AllTime:
        break;
    }
    std::map<QString, PlayerRow> rows;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    auto run = [&](const QString &sql, const std::function<void(PlayerRow &)> &take) {
        q.prepare(sql.arg(where));
        if (!bound.isNull())
            q.addBindValue(bound);
        if (!q.exec())
            return;
        while (q.next()) {
            PlayerRow &row = rows[q.value(0).toString()];
            row.name = q.value(0).toString();
            take(row);
        }
    };
    run(QStringLiteral("SELECT ") + Canon.arg(QLatin1String("r")) +
            QStringLiteral(" p, COUNT(DISTINCT r.game), MAX(g.opened) FROM registrations r "
                           "JOIN games g ON g.id = r.game LEFT JOIN temp.alias a ON "
                           "a.name = r.player WHERE %1 GROUP BY p"),
        [&](PlayerRow &r) {
            r.games = q.value(1).toInt();
            r.lastPlayed = fromText(q.value(2));
        });
    run(QStringLiteral("SELECT ") + Canon.arg(QLatin1String("x")) +
            QStringLiteral(" p, SUM(x.verdict <> 2), SUM(x.verdict = 0) FROM answers x "
                           "JOIN games g ON g.id = x.game LEFT JOIN temp.alias a ON "
                           "a.name = x.player WHERE %1 GROUP BY p"),
        [&](PlayerRow &r) {
            r.answers = q.value(1).toInt();
            r.right = q.value(2).toInt();
        });
    // Words won in a row: within a game, won words whose numbers run on
    // without a gap share one value of word_index minus their rank.
    run(QStringLiteral("SELECT p, SUM(n), MAX(n) FROM (SELECT p, COUNT(*) n FROM (SELECT ") +
            Canon.arg(QLatin1String("w")) +
            QStringLiteral(" p, w.game, w.word_index - ROW_NUMBER() OVER (PARTITION BY w.game, ") +
            Canon.arg(QLatin1String("w")) +
            QStringLiteral(" ORDER BY w.word_index) grp FROM wins w JOIN games g ON g.id = "
                           "w.game LEFT JOIN temp.alias a ON a.name = w.player WHERE %1) "
                           "GROUP BY p, game, grp) GROUP BY p"),
        [&](PlayerRow &r) {
            r.won = q.value(1).toInt();
            r.bestStreak = q.value(2).toInt();
        });
    out.reserve(rows.size());
    for (auto &[name, row] : rows)
        out.push_back(std::move(row));
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

std::vector<ScoreStore::GameRow> ScoreStore::games()
{
    std::vector<GameRow> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT g.id, g.opened, g.ended, g.host, g.word_file, "
                               "g.word_count, (SELECT COUNT(*) FROM wins w WHERE w.game = g.id) "
                               "FROM games g ORDER BY g.opened DESC, g.id DESC")))
        return out;
    while (q.next())
        out.push_back({q.value(0).toLongLong(), fromText(q.value(1)), fromText(q.value(2)),
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

QString ScoreStore::leaders()
{
    QStringList out;
    if (!loadAliases())
        return QString();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT ") + Canon.arg(QLatin1String("w")) +
                QStringLiteral(" p, COUNT(*) n FROM wins w LEFT JOIN temp.alias a ON a.name = "
                               "w.player GROUP BY p ORDER BY n DESC, p LIMIT 3")))
        return QString();
    while (q.next())
        out << q.value(0).toString() + u' ' + q.value(1).toString();
    return out.join(QStringLiteral(", "));
}

int ScoreStore::wins(const QString &player)
{
    if (player.isEmpty() || !loadAliases())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM wins w LEFT JOIN temp.alias a ON a.name = "
                             "w.player WHERE ") +
              Canon.arg(QLatin1String("w")) +
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
