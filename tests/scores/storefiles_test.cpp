#include "scoresrig.h"

#include "scores/scoreschema.h"
#include "support/smalldisk.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

// Runs sql on the file at path through a connection of its own.
QVariant sqlOn(const QString &path, const QStringList &sql)
{
    QVariant last;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"side"_qs);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString &s : sql) {
            EXPECT_TRUE(q.exec(s)) << s.toStdString();
            if (q.next())
                last = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(u"side"_qs);
    return last;
}

class StoreFiles : public ::testing::Test, protected ScoredGame
{};

} // namespace

// A file of the first layout keeps its games through the upgrade, dated by
// the game's opening where a row has no time of its own, and a merge made
// then can be undone. The leaders name three, and count who ties the third.
TEST_F(StoreFiles, TheFirstVersionIsUpgradedAndMergesUndo)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"v1"_qs);
        db.setDatabaseName(storePath());
        ASSERT_TRUE(db.open() && ScoreSchema::createFirstVersion(db));
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u"INSERT INTO games VALUES(1, '2026-01-02T20:00:00.000Z', NULL, "
                           "'x', 'w.txt', 'Ann Lee', 2, NULL, 0)"_qs));
        ASSERT_TRUE(q.exec(u"INSERT INTO registrations VALUES(1, 'Ann', 0)"_qs));
        int i = 0;
        for (const char *p : {"ann", "Ann", "Bo", "Cy", "Di"})
            ASSERT_TRUE(
                q.exec(u"INSERT INTO wins VALUES(1, %1, 'w', '%2', 'Red', 0)"_qs.arg(++i).arg(
                    QString::fromLatin1(p))));
    }
    QSqlDatabase::removeDatabase(u"v1"_qs);
    ASSERT_TRUE(openStore().problem.isEmpty());
    EXPECT_EQ(sqlOn(storePath(), {u"PRAGMA user_version"_qs}).toInt(), ScoreSchema::Version);
    EXPECT_EQ(sqlOn(storePath(), {u"PRAGMA journal_mode"_qs}).toString(), u"wal"_qs);
    // Letter case makes another player, as in the game.
    const QString allTied = u"Ann 1, Bo 1, Cy 1 and 2 more with 1"_qs;
    EXPECT_EQ(store->leaders(), allTied);
    ASSERT_TRUE(store->mergePlayers(u"ann"_qs, u"Ann"_qs));
    EXPECT_EQ(store->leaders(), u"Ann 2, Bo 1, Cy 1 and 1 more with 1"_qs);
    EXPECT_EQ(store->topWinners(2), (QList<GameStatus::Leader>{{u"Ann"_qs, 2}, {u"Bo"_qs, 1}}));
    const auto ann = store->players(ScoreStore::Period::AllTime, QDateTime::currentDateTime())[0];
    EXPECT_EQ(ann.bestStreak, 2);
    EXPECT_EQ(ann.lastPlayed, QDateTime(QDate(2026, 1, 2), QTime(20, 0), Qt::UTC));
    ASSERT_EQ(store->merges().size(), 1u);
    ASSERT_TRUE(store->undoMerge(store->merges()[0].id));
    EXPECT_EQ(store->leaders(), allTied);
}

// A file that is not a database is moved aside with the date, never
// deleted; one from a newer version and a folder in its place are told and
// left alone. The game without a store is every game test's that has none.
TEST_F(StoreFiles, FilesThatCannotBeUsed)
{
    writeFile(ScoreStore::fileName(), "Zoe;Bo;Kit\r\nnot a database at all");
    ScoreStore::Opened opened = openStore();
    ASSERT_TRUE(store && !opened.movedAside.isEmpty());
    EXPECT_EQ(bytesOf(opened.movedAside), QByteArray("Zoe;Bo;Kit\r\nnot a database at all"));
    store.reset();

    sqlOn(storePath(), {u"PRAGMA user_version = 99"_qs});
    opened = openStore();
    EXPECT_FALSE(store);
    EXPECT_TRUE(opened.problem.contains(u"Error with file "_qs + storePath()))
        << opened.problem.toStdString();
    EXPECT_TRUE(opened.problem.contains(u"newer version"_qs));

    QFile::remove(storePath());
    QDir(dir.path()).mkdir(ScoreStore::fileName());
    opened = openStore();
    EXPECT_FALSE(store);
    EXPECT_TRUE(opened.problem.contains(storePath()));
}

// A folder that takes no file refuses the store at the start; a disk that
// fills in the middle of a game is told once, the game goes on, and what
// was recorded before stays whole.
TEST_F(StoreFiles, ALockedFolderAndAFullDisk)
{
    SmallDisk disk(1024);
    const QString file = disk.path(ScoreStore::fileName());
    if (disk.lockFolder(true)) {
        ScoreStore::Opened opened = ScoreStore::open(file, {});
        EXPECT_FALSE(opened.store);
        EXPECT_TRUE(opened.problem.contains(u"Error with file "_qs + file));
        disk.lockFolder(false);
    }

    openStore(file);
    ASSERT_TRUE(store);
    openGame("apple\r\nkiwi\r\n");
    registerPlayers({u"Bo"_qs, u"Kit"_qs, u"Zoe"_qs});
    gs.DrawCount = 2;
    cmdDraw_Click(ctx);
    answer(u"apple"_qs);
    disk.setFull(true);
    playToEnd();
    disk.setFull(false);
    EXPECT_GT(gs.WordIndex, gs.WordCount);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(u"Error with file "_qs + file));

    ctx.results = nullptr;
    store.reset();
    EXPECT_EQ(sqlOn(file, {u"PRAGMA integrity_check"_qs}).toString(), u"ok"_qs);
    store = ScoreStore::open(file, {}).store;
    ASSERT_TRUE(store);
    EXPECT_EQ(store->games().at(0).won, 1);
}
