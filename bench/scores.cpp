// The store of results: one word's results committed beside the recovery-log
// write of the same step, and the Scores window over 1,000 and 10,000 games
// of 500 players beside an empty one.
#include "results.h"

#include "chatgen.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/progress.h"
#include "scores/scoreschema.h"
#include "scores/scorestore.h"
#include "scoreswindow/frmscores.h"
#include "stubs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

QTemporaryDir &scratch()
{
    static QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("orvella-bench-XXXXXX")));
    return dir;
}

// A game of ten words with 150 players, as the log of a full game holds it.
GameState fullGame()
{
    GameState gs;
    const QStringList names = generatedNames();
    for (int i = 1; i <= MaxPlayers; ++i)
        gs.Players[i].Name = names[i];
    gs.PlayerCount = MaxPlayers;
    gs.WordCount = MaxWords;
    gs.WordIndex = 3;
    for (int i = 1; i <= MaxWords; ++i)
        gs.Words[i] = QStringLiteral("WORD%1").arg(i);
    gs.HostName = QStringLiteral("Ann Lee");
    gs.GameStart = QDateTime::currentDateTime();
    gs.LogFile = scratch().filePath(QStringLiteral("Orvella.log"));
    return gs;
}

void stepLog(benchmark::State &state)
{
    const GameState gs = fullGame();
    for (auto _ : state)
        benchmark::DoNotOptimize(LogWriter(gs));
}

// What saveProgress adds to a word's step: the answers, the win and the
// commit with the log's fingerprint.
void stepWord(benchmark::State &state)
{
    GameState gs = fullGame();
    const QString path = scratch().filePath(QStringLiteral("word.sqlite"));
    std::unique_ptr<ScoreStore> store = ScoreStore::open(path, {}).store;
    if (!store) {
        state.SkipWithError("no store");
        return;
    }
    store->gameOpened(gs);
    for (auto _ : state) {
        store->answered(3, gs.Words[3], gs.Players[1].Name, QStringLiteral("WORDX"),
                        QStringLiteral("WORD "), ScoreStore::Verdict::Miss);
        store->answered(3, gs.Words[3], gs.Players[2].Name, gs.Words[3], gs.Words[3],
                        ScoreStore::Verdict::Match);
        store->wordWon(3, gs.Words[3], gs.Players[2].Name, QStringLiteral("Red"));
        store->commit(logPrint(logBodyOf(gs)));
        store->logWritten(true);
    }
}

// games games of ten words each among 500 players, written straight in one
// transaction: twelve registered, three called down and two answers a word.
QString storeOf(int games)
{
    const QString path = scratch().filePath(QStringLiteral("games-%1.sqlite").arg(games));
    if (QFileInfo::exists(path))
        return path;
    ScoreStore::open(path, {}); // the layout, made and closed
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        std::mt19937 random(games);
        QStringList names;
        for (int i = 0; i < 500; ++i)
            names << QStringLiteral("Player %1").arg(i);
        QSqlQuery game(db), reg(db), call(db), answer(db), win(db);
        game.prepare(QStringLiteral("INSERT INTO games(id, opened, ended, log_start, word_file, "
                                    "host, word_count) VALUES(?, ?, ?, 'x', 'w.txt', 'Ann', 10)"));
        reg.prepare(
            QStringLiteral("INSERT OR IGNORE INTO registrations(game, player) VALUES(?, ?)"));
        call.prepare(QStringLiteral("INSERT INTO calls(game, word_index, word, player) "
                                    "VALUES(?, ?, 'WORD', ?)"));
        answer.prepare(QStringLiteral("INSERT INTO answers(game, word_index, word, player, answer, "
                                      "marks, verdict, countdown) VALUES(?, ?, 'WORD', ?, 'WORX', "
                                      "'WOR ', ?, 0)"));
        win.prepare(QStringLiteral("INSERT INTO wins(game, word_index, word, player, box) "
                                   "VALUES(?, ?, 'WORD', ?, 'Red')"));
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-games / 3);
        for (int g = 1; g <= games; ++g) {
            const QString opened = start.addSecs(g * 8000).toString(Qt::ISODateWithMs);
            for (const QVariant &v : {QVariant(g), QVariant(opened), QVariant(opened)})
                game.addBindValue(v);
            game.exec();
            QStringList seated;
            for (int i = 0; i < 12; ++i)
                seated << names[int(random() % 500)];
            for (const QString &p : seated) {
                reg.addBindValue(g);
                reg.addBindValue(p);
                reg.exec();
            }
            for (int w = 1; w <= 10; ++w) {
                for (int k = 0; k < 3; ++k) {
                    for (const QVariant &v :
                         {QVariant(g), QVariant(w), QVariant(seated[(w + k) % 12])})
                        call.addBindValue(v);
                    call.exec();
                }
                for (int k = 0; k < 2; ++k) {
                    for (const QVariant &v : {QVariant(g), QVariant(w),
                                              QVariant(seated[(w + k) % 12]), QVariant(1 - k)})
                        answer.addBindValue(v);
                    answer.exec();
                }
                for (const QVariant &v : {QVariant(g), QVariant(w), QVariant(seated[(w + 1) % 12])})
                    win.addBindValue(v);
                win.exec();
            }
        }
        // The figures the store keeps beside its rows, as it keeps them.
        q.exec(ScoreSchema::talliesOf(QStringLiteral("1")));
        q.exec(ScoreSchema::totalsOf(QStringLiteral("1")));
        q.exec(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return path;
}

struct Opened
{
    std::unique_ptr<ScoreStore> store;
    std::unique_ptr<QWidget> window;
};

void openFile(benchmark::State &state)
{
    const QString path = storeOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ScoreStore::open(path, {}).store.get());
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void openWindow(benchmark::State &state)
{
    const int games = int(state.range(0));
    const QString path =
        games ? storeOf(games) : scratch().filePath(QStringLiteral("empty.sqlite"));
    std::unique_ptr<ScoreStore> store = ScoreStore::open(path, {}).store;
    QuietDialogs dialogs;
    for (auto _ : state) {
        std::unique_ptr<QWidget> w(createScoresWindow(store.get(), dialogs, QString()));
        w->show();
        QCoreApplication::processEvents();
    }
}

// Each iteration sorts the players' table by one column after another, or
// searches it for one name after another.
void rework(benchmark::State &state, bool sort)
{
    std::unique_ptr<ScoreStore> store = ScoreStore::open(storeOf(10000), {}).store;
    QuietDialogs dialogs;
    std::unique_ptr<QWidget> w(createScoresWindow(store.get(), dialogs, QString()));
    auto *table = w->findChild<QTableView *>(QStringLiteral("tblPlayers"));
    auto *search = w->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    int n = 0;
    for (auto _ : state) {
        ++n;
        if (sort)
            table->sortByColumn(n % 9, n % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
        else
            search->setText(QStringLiteral("player %1").arg(n % 50));
    }
}

void period(benchmark::State &state)
{
    std::unique_ptr<ScoreStore> store = ScoreStore::open(storeOf(10000), {}).store;
    QuietDialogs dialogs;
    std::unique_ptr<QWidget> w(createScoresWindow(store.get(), dialogs, QString()));
    auto *box = w->findChild<QComboBox *>(QStringLiteral("cboPeriod"));
    int n = 0;
    for (auto _ : state)
        box->setCurrentIndex(++n % 5);
}

} // namespace

void registerScoresBenchmarks()
{
    benchmark::RegisterBenchmark("scores/steplog", stepLog)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.3);
    benchmark::RegisterBenchmark("scores/stepword", stepWord)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.3);
    benchmark::RegisterBenchmark("scores/openfile", openFile)
        ->Arg(1000)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("scores/window", openWindow)
        ->Arg(0)
        ->Arg(1000)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("scores/sort", rework, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("scores/search", rework, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("scores/period", period)->Unit(benchmark::kMillisecond);
}

void scoresBudgets(const Results &r,
                   const std::function<void(bool, const char *, const char *)> &budget)
{
    char detail[200];
    auto ms = [&](const char *name) { return r.count(name) ? r.at(name) * 1e3 : -1.0; };
    if (r.count("scores/stepword") && r.count("scores/steplog")) {
        std::snprintf(detail, sizeof detail, "%.2f ms beside the log write's %.2f ms",
                      ms("scores/stepword"), ms("scores/steplog"));
        budget(ms("scores/stepword") < std::max(2.0, ms("scores/steplog")),
               "one word's results add under 2 ms to the step, or no more than its log write",
               detail);
    }
    if (r.count("scores/window/10000") && r.count("scores/window/0") &&
        r.count("scores/window/1000")) {
        std::snprintf(detail, sizeof detail,
                      "%.1f ms at 10,000 games, %.1f ms at 1,000, %.1f ms empty",
                      ms("scores/window/10000"), ms("scores/window/1000"), ms("scores/window/0"));
        budget(ms("scores/window/10000") < 200 &&
                   ms("scores/window/10000") <= 12 * ms("scores/window/1000"),
               "the Scores window opens with 10,000 games and 500 players under 200 ms, linear",
               detail);
    }
    if (r.count("scores/sort") && r.count("scores/search")) {
        std::snprintf(detail, sizeof detail, "sort %.2f ms, search %.2f ms, period %.1f ms",
                      ms("scores/sort"), ms("scores/search"), ms("scores/period"));
        budget(ms("scores/sort") < 50 && ms("scores/search") < 50 && ms("scores/period") < 50,
               "re-sorting or filtering the players' table under 50 ms", detail);
    }
    if (r.count("scores/openfile/1000") && r.count("scores/openfile/10000")) {
        std::snprintf(detail, sizeof detail, "open %.2f ms at 1,000 games, %.2f ms at 10,000",
                      ms("scores/openfile/1000"), ms("scores/openfile/10000"));
        budget(ms("scores/openfile/10000") <= 12 * ms("scores/openfile/1000"),
               "the file's opening time grows no faster than its games", detail);
    }
}
