#include "game/gamestate.h"
#include "scores/scorestore.h"
#include "scoreswindow/frmscores.h"
#include "support/bytesio.h"
#include "support/scripteddialogs.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

const QString Kit = u"=Kit \"K\", <b>%host%"_qs;

// Two games told to the store as the steps tell them: Ann wins twice in a
// row in the first, Kit once in the second, which is the current one.
void playTwoGames(ScoreStore &store)
{
    GameState gs;
    gs.HostName = u"Host"_qs;
    gs.WordCount = 2;
    auto word = [&](int i, const QString &winner, const QStringList &missed) {
        store.calledDown(i, u"APPLE"_qs, QStringList(missed) << winner);
        for (const QString &m : missed)
            store.answered(i, u"APPLE"_qs, m, u"APPLY"_qs, u"APPL "_qs,
                           ResultsRecorder::Verdict::Miss);
        store.answered(i, u"APPLE"_qs, winner, u"APPLE"_qs, u"APPLE"_qs,
                       ResultsRecorder::Verdict::Match);
        store.wordWon(i, u"APPLE"_qs, winner, u"Red"_qs);
        store.commit("print");
        store.logWritten(true);
    };
    gs.GameStart = QDateTime::currentDateTime().addDays(-3);
    store.gameOpened(gs);
    for (const QString &p : {u"Ann"_qs, u"Bo"_qs})
        store.registered(p);
    word(1, u"Ann"_qs, {u"Bo"_qs});
    word(2, u"Ann"_qs, {});
    gs.GameStart = QDateTime::currentDateTime();
    store.gameOpened(gs);
    for (const QString &p : {u"Bo"_qs, Kit})
        store.registered(p);
    word(1, Kit, {u"Bo"_qs});
}

QStringList column(QTableView *t, int c)
{
    QStringList out;
    for (int r = 0; r < t->model()->rowCount(); ++r)
        out << t->model()->index(r, c).data().toString();
    return out;
}

} // namespace

// The players' table sorts, filters by period and name, marks the current
// game's players, merges and unmerges; the games show their reports; both
// export with the room's text quoted or escaped, numbers as numbers, from
// a folder the host can write.
TEST(ScoresWindow, SortFilterMergeAndExport)
{
    QTemporaryDir dir;
    ScoreStore::Opened opened = ScoreStore::open(dir.filePath(u"scores.sqlite"_qs), {});
    ASSERT_TRUE(opened.store);
    ScoreStore &store = *opened.store;
    const QDateTime before = QDateTime::currentDateTime();
    playTwoGames(store);
    // Ann last played when she last answered, not when her game opened.
    for (auto period : {ScoreStore::Period::AllTime, ScoreStore::Period::Last7Days})
        for (const ScoreStore::PlayerRow &r : store.players(period, QDateTime::currentDateTime()))
            EXPECT_GE(r.lastPlayed, before) << r.name.toStdString();
    ScriptedDialogs dialogs;
    std::unique_ptr<QWidget> w(createScoresWindow(&store, dialogs, QString()));
    auto *players = w->findChild<QTableView *>(u"tblPlayers"_qs);
    auto *games = w->findChild<QTableView *>(u"tblGames"_qs);
    for (QTableView *t : {players, games})
        for (int c = 0; c < t->model()->columnCount(); ++c)
            EXPECT_GE(t->columnWidth(c), t->horizontalHeader()->sectionSizeHint(c)) << c;
    auto *period = w->findChild<QComboBox *>(u"cboPeriod"_qs);
    auto *search = w->findChild<QLineEdit *>(u"txtSearch"_qs);

    // Words won, most first; then by name, and accuracy as a number.
    EXPECT_EQ(column(players, 0), QStringList({u"Ann"_qs, Kit, u"Bo"_qs}));
    EXPECT_EQ(column(players, 6), QStringList({u"2"_qs, u"1"_qs, u"0"_qs}));
    players->sortByColumn(5, Qt::AscendingOrder);
    EXPECT_EQ(column(players, 5), QStringList({u"0.0%"_qs, u"100.0%"_qs, u"100.0%"_qs}));
    players->sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(column(players, 0), QStringList({Kit, u"Ann"_qs, u"Bo"_qs}));
    EXPECT_EQ(column(players, 8), QStringList({u"yes"_qs, QString(), u"yes"_qs}));
    period->setCurrentIndex(0); // this game
    EXPECT_EQ(column(players, 0), QStringList({Kit, u"Bo"_qs}));
    period->setCurrentIndex(4);
    search->setText(u"<B>"_qs);
    EXPECT_EQ(column(players, 0), QStringList({Kit}));
    search->clear();

    // Bo was Ann all along: confirmed, then undone.
    w->findChild<QComboBox *>(u"cboFrom"_qs)->setCurrentText(u"Bo"_qs);
    w->findChild<QComboBox *>(u"cboInto"_qs)->setCurrentText(u"Ann"_qs);
    dialogs.answers = {HostDialogs::Answer::Yes};
    w->findChild<QPushButton *>(u"cmdMerge"_qs)->click();
    EXPECT_EQ(column(players, 0), QStringList({Kit, u"Ann"_qs}));
    EXPECT_EQ(column(players, 1), QStringList({u"1"_qs, u"2"_qs}));
    dialogs.answers = {HostDialogs::Answer::Yes};
    w->findChild<QPushButton *>(u"cmdUndoMerge"_qs)->click();
    EXPECT_EQ(column(players, 0).size(), 3);

    // The first export opens in Documents, or at home without one; the
    // next where the last went.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_qs).toLocal8Bit());
    auto *cmdCsv = w->findChild<QPushButton *>(u"cmdExportCsv"_qs);
    const QString csv = dir.filePath(u"scores.csv"_qs), inDocuments = dir.filePath(u"Documents"_qs);
    cmdCsv->click();
    QDir().mkdir(inDocuments);
    dialogs.files = {std::nullopt, csv};
    cmdCsv->click();
    cmdCsv->click();
    qputenv("HOME", home);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(dialogs.presets,
              QStringList({csv, inDocuments + u"/scores.csv"_qs, inDocuments + u"/scores.csv"_qs}));
    EXPECT_TRUE(bytesOf(csv).contains("\r\n\"'=Kit \"\"K\"\", <b>%host%\",1,1,1,1,100,1,\""))
        << bytesOf(csv).toStdString();

    // The newest game first; its report names Kit, escaped.
    ASSERT_EQ(games->model()->rowCount(), 2);
    games->setCurrentIndex(games->model()->index(0, 0));
    const QString html = dir.filePath(u"game.html"_qs);
    dialogs.files = {html};
    w->findChild<QPushButton *>(u"cmdExportHtml"_qs)->click();
    EXPECT_EQ(dialogs.presets.last(), html);
    EXPECT_TRUE(bytesOf(html).contains("Won by =Kit &quot;K&quot;, &lt;b&gt;%host%, box Red."));
    EXPECT_TRUE(w->findChild<QTextBrowser *>(u"txtReport"_qs)->toPlainText().contains(Kit));
    EXPECT_TRUE(dialogs.messages.empty());

    // An undo the store cannot record is told, and the merge stays in force
    // and chosen.
    auto *merges = w->findChild<QComboBox *>(u"cboMerges"_qs);
    w->findChild<QComboBox *>(u"cboFrom"_qs)->setCurrentText(u"Bo"_qs);
    w->findChild<QComboBox *>(u"cboInto"_qs)->setCurrentText(u"Ann"_qs);
    dialogs.answers = {HostDialogs::Answer::Yes, HostDialogs::Answer::Yes};
    w->findChild<QPushButton *>(u"cmdMerge"_qs)->click();
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"writer"_qs);
        writer.setDatabaseName(dir.filePath(u"scores.sqlite"_qs));
        ASSERT_TRUE(writer.open() && QSqlQuery(writer).exec(u"BEGIN IMMEDIATE"_qs));
        w->findChild<QPushButton *>(u"cmdUndoMerge"_qs)->click();
        writer.close();
    }
    QSqlDatabase::removeDatabase(u"writer"_qs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title + u'|' + dialogs.messages[0].text,
              u"Undo merge|The undo could not be recorded."_qs);
    EXPECT_EQ(column(players, 0).size(), 2);
    EXPECT_EQ(merges->currentText(), u"Bo into Ann"_qs);
}
