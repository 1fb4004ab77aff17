#include "scoresrig.h"

#include "game/resultsrecorder.h"

namespace {

using Verdict = ResultsRecorder::Verdict;

// Room text of every awkward kind: quotes, percent signs, semicolons,
// commas, angle brackets and Windows-1252 letters.
const QString Bo = u"Bo \"Q\" O'Reed"_qs, Kit = u"Kit%host%;<b>"_qs,
              Zoe = u"Zo\u00eb, \u20ac\u2122"_qs;

class RecordGame : public ::testing::Test, protected ScoredGame
{
protected:
    void SetUp() override
    {
        openStore();
        ASSERT_TRUE(store);
        openGame("apple\r\nkiwi\r\n");
        registerPlayers({Bo, Kit, Zoe});
        gs.DrawCount = 2;
    }
};

} // namespace

// A whole game as the host plays it: a miss, a match, a time that runs out
// after the closing count, the box of each word, the end.
TEST_F(RecordGame, APlayedGameIsRecordedAsPlayed)
{
    cmdDraw_Click(ctx);
    const QStringList first = downNames();
    answer(u"apply"_qs);
    const QString marks = gs.Guess;
    answer(u"  Apple"_qs);
    cmdDraw_Click(ctx);
    const QStringList second = downNames();
    timeRunsOut();
    answer(u"kiwi"_qs);
    ASSERT_GT(gs.WordIndex, gs.WordCount);
    EXPECT_TRUE(told.isEmpty()) << told.join(u'\n').toStdString();

    const std::vector<ScoreStore::GameRow> games = store->games();
    ASSERT_EQ(games.size(), 1u);
    EXPECT_TRUE(games[0].ended.isValid());
    EXPECT_EQ(games[0].host + QString::number(games[0].words) + QString::number(games[0].won),
              u"Ann Lee22"_qs);
    // One line per word: called down, answers (player=answer/marks/verdict,
    // * for a countdown), winner and box.
    QStringList report;
    for (const ScoreStore::WordReport &w : store->report(games[0].id)) {
        QString line =
            QString::number(w.index) + u' ' + w.word + u" ["_qs + w.calledDown.join(u'|') + u"]"_qs;
        for (const ScoreStore::Answer &a : w.answers)
            line += u' ' + a.player + u'=' + a.answer + u'/' + a.marks + u'/' +
                    QString::number(int(a.verdict)) + (a.countdown ? u"*"_qs : QString());
        report << line + u" won by "_qs + w.winner + u" box "_qs + w.box;
    }
    EXPECT_EQ(report, QStringList({u"1 APPLE ["_qs + first.join(u'|') + u"] "_qs + first[0] +
                                       u"=APPLY/"_qs + marks + u"/1 "_qs + first[1] +
                                       u"=APPLE/APPLE/0 won by "_qs + first[1] + u" box Red"_qs,
                                   u"2 KIWI ["_qs + second.join(u'|') + u"] "_qs + second[0] +
                                       u"=//2* "_qs + second[1] + u"=KIWI/KIWI/0 won by "_qs +
                                       second[1] + u" box Blue"_qs}));

    // Accuracy counts answers given: a time that ran out is none. The
    // seeded draw called Bo and Kit, then Zoe and Bo.
    ASSERT_EQ(first + second, QStringList({Bo, Kit, Zoe, Bo}));
    std::vector<std::tuple<QString, int, int, int, int, int>> rows;
    for (const ScoreStore::PlayerRow &r :
         store->players(ScoreStore::Period::AllTime, QDateTime::currentDateTime()))
        rows.emplace_back(r.name, r.games, r.won, r.answers, r.right, r.bestStreak);
    EXPECT_EQ(rows,
              decltype(rows)({{Bo, 1, 1, 2, 1, 1}, {Kit, 1, 1, 1, 1, 1}, {Zoe, 1, 0, 0, 0, 0}}));
    EXPECT_EQ(store->leaders(), Bo + u" 1, "_qs + Kit + u" 1"_qs);
    EXPECT_EQ(store->wins(Kit) + store->wins(Zoe), 1);
}

namespace {

// The program is killed at a point of the game: what the disk holds then
// (the store and the log) is all the next run has. It starts again, resumes
// with Recover and plays on to the end.
class KillAndRecover : public RecordGame, public ::testing::WithParamInterface<int>
{
protected:
    struct Snapshot
    {
        QByteArray db, wal, log;
    };
    Snapshot snapshot() const
    {
        return {bytesOf(storePath()), bytesOf(storePath() + u"-wal"_qs), log()};
    }
    void restartFrom(const Snapshot &s)
    {
        ctx.results = nullptr;
        store.reset();
        for (const QString &suffix : {QString(), u"-wal"_qs, u"-shm"_qs})
            QFile::remove(storePath() + suffix);
        writeFile(ScoreStore::fileName(), s.db);
        if (!s.wal.isEmpty())
            writeFile(ScoreStore::fileName() + u"-wal"_qs, s.wal);
        openStore();
        resumeFrom(s.log);
        ASSERT_EQ(gs.GamePhase, GamePhase::Open);
    }
};

enum KillPoint
{
    InsideTheMissStep,  // the miss committed, its log not yet written
    BetweenSteps,       // after the miss, log written
    DuringTheBoxCall,   // the match under way
    InsideTheMatchStep, // the match committed, its log not yet written
    InsideTheLastWord,  // the last win and the game's end committed, no log
};

} // namespace

TEST_P(KillAndRecover, EveryResultOnceNoneLost)
{
    cmdDraw_Click(ctx);
    std::optional<Snapshot> at;
    // A kill inside a Check, between the store's commit and the log write,
    // leaves what a log write that fails leaves: the Check's results
    // committed, the log before it.
    const auto check = [&](KillPoint inside) {
        const QString logFile = gs.LogFile;
        if (inside == GetParam())
            gs.LogFile = path(u"gone/Orvella.log"_qs);
        cmdCheck_Click(ctx);
        if (std::exchange(gs.LogFile, logFile) != logFile)
            at = snapshot();
    };
    askAndGet(u"apply"_qs);
    check(InsideTheMissStep);
    if (GetParam() == BetweenSteps)
        at = snapshot();
    if (GetParam() == DuringTheBoxCall)
        duringBoxCall = [&] { at = snapshot(); };
    askAndGet(u"apple"_qs);
    check(InsideTheMatchStep);
    duringBoxCall = nullptr;
    if (GetParam() == InsideTheLastWord) {
        cmdDraw_Click(ctx);
        askAndGet(u"kiwi"_qs);
        check(InsideTheLastWord);
    }
    ASSERT_TRUE(at);

    restartFrom(*at);
    // Killed again once the resumed game has rewritten its log.
    cmdAsk_Click(ctx);
    restartFrom(snapshot());
    playToEnd();
    const std::vector<ScoreStore::GameRow> games = store->games();
    ASSERT_EQ(games.size(), 1u);
    EXPECT_TRUE(games[0].ended.isValid());
    EXPECT_EQ(games[0].won, 2);
    // The miss counts once where the log kept it, not at all where the
    // game itself went back to before it.
    int misses = 0, matches = 0;
    for (const ScoreStore::WordReport &w : store->report(games[0].id)) {
        EXPECT_FALSE(w.winner.isEmpty());
        for (const ScoreStore::Answer &a : w.answers)
            ++(a.verdict == Verdict::Match ? matches : misses);
    }
    EXPECT_EQ(std::tuple(matches, misses), std::tuple(2, GetParam() == InsideTheMissStep ? 0 : 1));
    int games_played = 0;
    for (const ScoreStore::PlayerRow &r :
         store->players(ScoreStore::Period::AllTime, QDateTime::currentDateTime()))
        games_played += r.games;
    EXPECT_EQ(games_played, 3);
}

INSTANTIATE_TEST_SUITE_P(Points, KillAndRecover,
                         ::testing::Values(InsideTheMissStep, BetweenSteps, DuringTheBoxCall,
                                           InsideTheMatchStep, InsideTheLastWord));
