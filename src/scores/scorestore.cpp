#include "scores/scorestore.h"

#include "base/failure.h"
#include "files/fileio.h"
#include "files/recoverylog.h"
#include "game/gamestate.h"
#include "scores/scoreschema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

const QString Driver = QStringLiteral("QSQLITE");

// SQLite's primary result codes that decide what the host is told.
enum SqliteCode
{
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    IoErr = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADb = 26,
};

int codeOf(const QSqlError &e)
{
    return e.nativeErrorCode().toInt() & 0xff;
}

QString reportFor(const QSqlError &e, const QString &path)
{
    int number = ErrDeviceIO;
    switch (codeOf(e)) {
    case Busy:
    case Locked:
        number = ErrPermissionDenied;
        break;
    case ReadOnly:
        number = ErrPermissionDenied;
        break;
    case Full:
        number = ErrDiskFull;
        break;
    case CantOpen:
        number = ErrPathFileAccess;
        break;
    default:
        break;
    }
    const QString why = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return FileFailure{Failure(number, Failure::describe(number) + QStringLiteral(" (") + why +
                                           QStringLiteral(")")),
                       path}
        .report();
}

QString utcText(const QDateTime &t)
{
    return t.toUTC().toString(Qt::ISODateWithMs);
}

// Qt binds a null string as NULL; every text column holds text.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QString nowText()
{
    return utcText(QDateTime::currentDateTimeUtc());
}

struct Attempt
{
    bool ok = false;
    bool damaged = false;
    QString problem;
};

Attempt attempt(const QString &connection, const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(Driver, connection);
    db.setDatabaseName(path);
    // Another program holding the file must not hold the game: a write it
    // blocks fails at once and is told.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    Attempt a;
    auto fail = [&](const QSqlError &e) {
        a.damaged = codeOf(e) == NotADb || codeOf(e) == Corrupt;
        a.problem = reportFor(e, path);
        return a;
    };
    if (!db.open())
        return fail(db.lastError());
    QSqlQuery q(db);
    // WAL with full sync: a committed step survives a power cut.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return fail(q.lastError());
    if (!q.next() || q.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive))
        return fail(QSqlError(QString(), QStringLiteral("the file takes no write-ahead log"),
                              QSqlError::ConnectionError, QString::number(ReadOnly)));
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        return fail(q.lastError());
    switch (ScoreSchema::upgrade(db)) {
    case ScoreSchema::Outcome::Newer:
        a.problem = FileFailure{Failure(ErrPathFileAccess,
                                        QStringLiteral("The scores file was written by a newer "
                                                       "version of the program.")),
                                path}
                        .report();
        return a;
    case ScoreSchema::Outcome::Failed:
        return fail(db.lastError().isValid() ? db.lastError() : q.lastError());
    case ScoreSchema::Outcome::Ready:
        break;
    }
    // Proves the file writable now, not at the first word.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q.lastError());
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(q.lastError());
    a.ok = true;
    return a;
}

void dropConnection(const QString &connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Renames the file and its log beside it with the date; nothing is deleted.
QString moveAside(const QString &path)
{
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QString target = path + QStringLiteral(".damaged-") + stamp;
    if (!QFile::rename(path, target))
        return QString();
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFileInfo::exists(path + suffix))
            QFile::rename(path + suffix, target + suffix);
    return target;
}

} // namespace

ScoreStore::Opened ScoreStore::open(const QString &path, std::function<void(const QString &)> tell)
{
    static int connections = 0;
    Opened out;
    if (!QSqlDatabase::isDriverAvailable(Driver)) {
        out.problem = FileFailure{Failure(ErrFileNotFound,
                                          QStringLiteral("Qt's SQLite driver is not installed "
                                                         "(libqt6sql6-sqlite).")),
                                  path}
                          .report();
        return out;
    }
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        out.problem = FileFailure{Failure(ErrPathFileAccess), path}.report();
        return out;
    }
    QString connection = QStringLiteral("scores-%1").arg(++connections);
    Attempt a = attempt(connection, path);
    if (!a.ok && a.damaged) {
        dropConnection(connection);
        out.movedAside = moveAside(path);
        if (out.movedAside.isEmpty()) {
            out.problem = a.problem;
            return out;
        }
        connection = QStringLiteral("scores-%1").arg(++connections);
        a = attempt(connection, path);
    }
    if (!a.ok) {
        dropConnection(connection);
        out.problem = a.problem;
        return out;
    }
    out.store.reset(new ScoreStore(connection, path, std::move(tell)));
    return out;
}

ScoreStore::ScoreStore(QString connection, QString path, std::function<void(const QString &)> tell)
    : m_connection(std::move(connection)), m_path(std::move(path)), m_tell(std::move(tell))
{}

ScoreStore::~ScoreStore()
{
    if (m_unconfirmed && m_confirmable)
        transact([&] { return confirmPending(); });
    dropConnection(m_connection);
}

void ScoreStore::failed(const QString &what)
{
    m_queue.clear();
    if (!m_failure.isEmpty())
        return;
    m_failure = what;
    if (m_tell)
        m_tell(m_failure);
}

bool ScoreStore::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    failed(reportFor(q.lastError(), m_path));
    return false;
}

bool ScoreStore::transact(const std::function<bool()> &body)
{
    if (!m_failure.isEmpty())
        return false;
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    if (body() && exec(QStringLiteral("COMMIT")))
        return true;
    // SQLite may have rolled back already (a full disk); then this fails
    // harmlessly.
    QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
    return false;
}

namespace {
const char *const ResultTables[] = {"registrations", "calls", "answers", "wins"};
}

// A game's row from its opening, start line, word file, host and word
// count; it becomes the game results go to.
bool ScoreStore::newGame(const QVariantList &values)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO games(opened, log_start, word_file, host, word_count) "
                             "VALUES(?, ?, ?, ?, ?)"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        failed(reportFor(q.lastError(), m_path));
        return false;
    }
    m_game = q.lastInsertId().toLongLong();
    return true;
}

bool ScoreStore::confirmPending()
{
    for (const char *t : ResultTables)
        if (!exec(QStringLiteral("UPDATE %1 SET pending=0 WHERE game=? AND pending=1")
                      .arg(QLatin1String(t)),
                  {m_game}))
            return false;
    m_unconfirmed = false;
    return exec(QStringLiteral("UPDATE games SET pending_print=NULL, end_pending=0 WHERE id=?"),
                {m_game});
}

// The game's figures made again from its rows, and the all-time figures of
// everyone they had or have.
bool ScoreStore::refreshTallies()
{
    const QVariantList game{m_game};
    return exec(QStringLiteral(
               "CREATE TEMP TABLE IF NOT EXISTS touched(player TEXT PRIMARY KEY)")) &&
           exec(QStringLiteral("DELETE FROM temp.touched")) &&
           exec(QStringLiteral("INSERT OR IGNORE INTO temp.touched SELECT player FROM tallies "
                               "WHERE game = ?"),
                game) &&
           exec(QStringLiteral("DELETE FROM tallies WHERE game = ?"), game) &&
           exec(ScoreSchema::talliesOf(QStringLiteral("game = ?")), {m_game, m_game, m_game}) &&
           exec(QStringLiteral("INSERT OR IGNORE INTO temp.touched SELECT player FROM tallies "
                               "WHERE game = ?"),
                game) &&
           exec(QStringLiteral("DELETE FROM totals WHERE player IN temp.touched")) &&
           exec(ScoreSchema::totalsOf(QStringLiteral("player IN temp.touched")));
}

bool ScoreStore::dropPending()
{
    for (const char *t : ResultTables)
        if (!exec(QStringLiteral("DELETE FROM %1 WHERE game=? AND pending=1").arg(QLatin1String(t)),
                  {m_game}))
            return false;
    return exec(QStringLiteral("UPDATE games SET ended=CASE WHEN end_pending=1 THEN NULL ELSE "
                               "ended END, end_pending=0, pending_print=NULL WHERE id=?"),
                {m_game});
}

void ScoreStore::gameOpened(const GameState &gs)
{
    m_queue.clear();
    m_countdown = false;
    if (m_unconfirmed && m_confirmable)
        transact([&] { return confirmPending(); });
    transact([&] {
        return newGame({utcText(gs.GameStart), formatGameStart(gs.GameStart), text(gs.WordFile),
                        text(gs.HostName), int(gs.WordCount)});
    });
    m_unconfirmed = m_confirmable = m_ended = false;
}

void ScoreStore::gameResumed(const GameState &gs, const QString &startLine,
                             const QByteArray &logPrint)
{
    m_queue.clear();
    m_countdown = false;
    if (m_game && m_unconfirmed && m_confirmable)
        transact([&] { return confirmPending(); });
    m_unconfirmed = m_confirmable = m_ended = false;
    m_game = 0;
    transact([&] {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        q.prepare(QStringLiteral("SELECT id, pending_print FROM games WHERE log_start=? AND "
                                 "host=? AND word_file=? ORDER BY id DESC LIMIT 1"));
        q.addBindValue(startLine);
        q.addBindValue(gs.HostName);
        q.addBindValue(gs.WordFile);
        if (!q.exec()) {
            failed(reportFor(q.lastError(), m_path));
            return false;
        }
        if (q.next()) {
            m_game = q.value(0).toLongLong();
            const bool kept = !logPrint.isEmpty() && q.value(1).toByteArray() == logPrint;
            q.finish();
            if (!(kept ? confirmPending() : dropPending()))
                return false;
        } else {
            // A log from a run without the store, or a record lost: the game
            // gets one from now on.
            q.finish();
            if (!newGame({nowText(), text(startLine), text(gs.WordFile), text(gs.HostName),
                          int(gs.WordCount)}))
                return false;
        }
        // A resumed game's log is rewritten with the start the game holds,
        // not the one read back; the next Recover looks for that line.
        if (!exec(QStringLiteral("UPDATE games SET log_start = ? WHERE id = ?"),
                  {formatGameStart(gs.GameStart), m_game}))
            return false;
        if (logPrint.isEmpty())
            return refreshTallies();
        // What the log holds counts whatever the record missed.
        for (int i = 1; i <= std::clamp<int>(gs.PlayerCount, 0, MaxPlayers); ++i)
            if (!exec(QStringLiteral("INSERT OR IGNORE INTO registrations(game, player) "
                                     "VALUES(?, ?)"),
                      {m_game, text(gs.Players[i].Name)}))
                return false;
        for (int i = 1; i <= std::clamp<int>(gs.WinnerCount, 0, MaxWinners); ++i)
            if (!exec(QStringLiteral("INSERT OR IGNORE INTO wins(game, word_index, word, player, "
                                     "box) VALUES(?, ?, ?, ?, ?)"),
                      {m_game, i, text(gs.Words[i]), text(gs.Winners[i].Name),
                       text(gs.Winners[i].Box)}))
                return false;
        return refreshTallies();
    });
}

void ScoreStore::registered(const QString &name)
{
    if (!m_game || !m_failure.isEmpty())
        return;
    m_queue.push_back([this, g = m_game, name, at = nowText()] {
        return exec(QStringLiteral("INSERT OR IGNORE INTO registrations(game, player, pending, "
                                   "at) VALUES(?, ?, 1, ?)"),
                    {g, text(name), at});
    });
}

void ScoreStore::calledDown(int index, const QString &word, const QStringList &names)
{
    if (!m_game || !m_failure.isEmpty())
        return;
    m_queue.push_back([this, g = m_game, index, word, names] {
        for (const QString &n : names)
            if (!exec(QStringLiteral("INSERT INTO calls(game, word_index, word, player, pending) "
                                     "VALUES(?, ?, ?, ?, 1)"),
                      {g, index, text(word), text(n)}))
                return false;
        return true;
    });
}

void ScoreStore::countdownRun()
{
    m_countdown = true;
}

void ScoreStore::answered(int index, const QString &word, const QString &player,
                          const QString &answer, const QString &marks, Verdict verdict)
{
    const bool countdown = std::exchange(m_countdown, false);
    if (!m_game || !m_failure.isEmpty())
        return;
    m_queue.push_back([=, this, g = m_game, at = nowText()] {
        return exec(QStringLiteral("INSERT INTO answers(game, word_index, word, player, answer, "
                                   "marks, verdict, countdown, pending, at) "
                                   "VALUES(?, ?, ?, ?, ?, ?, ?, ?, 1, ?)"),
                    {g, index, text(word), text(player), text(answer), text(marks), int(verdict),
                     int(countdown), at});
    });
}

void ScoreStore::wordWon(int index, const QString &word, const QString &winner, const QString &box)
{
    if (!m_game || !m_failure.isEmpty())
        return;
    m_queue.push_back([=, this, g = m_game] {
        return exec(QStringLiteral("INSERT OR REPLACE INTO wins(game, word_index, word, player, "
                                   "box, pending) VALUES(?, ?, ?, ?, ?, 1)"),
                    {g, index, text(word), text(winner), text(box)});
    });
}

void ScoreStore::gameEnded()
{
    if (!m_game || !m_failure.isEmpty())
        return;
    m_ended = true;
    m_queue.push_back([this, g = m_game] {
        return exec(QStringLiteral("UPDATE games SET ended=?, end_pending=1 WHERE id=?"),
                    {nowText(), g});
    });
}

void ScoreStore::commit(const QByteArray &logPrint)
{
    if (!m_game || !m_failure.isEmpty()) {
        m_queue.clear();
        return;
    }
    if (m_queue.empty() && !m_unconfirmed)
        return;
    const std::vector<Write> queue = std::exchange(m_queue, {});
    const bool confirm = m_unconfirmed && m_confirmable;
    const bool ok = transact([&] {
        if (confirm && !confirmPending())
            return false;
        for (const Write &w : queue)
            if (!w())
                return false;
        if (queue.empty() && confirm)
            return true;
        if (!queue.empty() && !refreshTallies())
            return false;
        return exec(QStringLiteral("UPDATE games SET pending_print=? WHERE id=?"),
                    {QString::fromLatin1(logPrint), m_game});
    });
    if (ok) {
        m_unconfirmed = !queue.empty() || (m_unconfirmed && !confirm);
        m_confirmable = false;
    }
}

void ScoreStore::logWritten(bool ok)
{
    if (!ok || !m_unconfirmed)
        return;
    m_confirmable = true;
    // The last word's results wait on nothing more.
    if (m_ended)
        transact([&] { return confirmPending(); });
}
