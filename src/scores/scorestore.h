#pragma once

#include "game/resultsrecorder.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// scores.sqlite: every game's results as it is played, in SQLite through
// Qt SQL. Each step's results go in one transaction, in WAL mode with full
// sync, so a committed result survives a power cut. A write that fails is
// told once and the store records nothing more until the next start; the
// game never waits for it.
class ScoreStore final : public ResultsRecorder, public ScoreFigures
{
public:
    struct Opened
    {
        std::unique_ptr<ScoreStore> store; // null when the file cannot be used
        QString problem;                   // why, as the host is told; empty when fine
        QString movedAside;                // where a damaged file was put, or empty
    };
    // Opens path, making it when missing; a damaged file is renamed with
    // the date beside it, never deleted, and a new one made. tell shows the
    // host a failure of a later write, once.
    static Opened open(const QString &path, std::function<void(const QString &)> tell);
    static QString fileName() { return QStringLiteral("scores.sqlite"); }

    ~ScoreStore() override;
    ScoreStore(const ScoreStore &) = delete;
    ScoreStore &operator=(const ScoreStore &) = delete;

    const QString &path() const { return m_path; }
    // Why recording stopped, or empty.
    const QString &failure() const { return m_failure; }
    qint64 currentGame() const { return m_game; }

    // ResultsRecorder
    void gameOpened(const GameState &gs) override;
    void gameResumed(const GameState &gs, const QString &startLine,
                     const QByteArray &logPrint) override;
    void registered(const QString &name) override;
    void calledDown(int index, const QString &word, const QStringList &names) override;
    void countdownRun() override;
    void answered(int index, const QString &word, const QString &player, const QString &answer,
                  const QString &marks, Verdict verdict) override;
    void wordWon(int index, const QString &word, const QString &winner,
                 const QString &box) override;
    void gameEnded() override;
    void commit(const QByteArray &logPrint) override;
    void logWritten(bool ok) override;

    // ScoreFigures
    QString leaders() override;
    QList<GameStatus::Leader> topWinners(int count) override;
    int wins(const QString &player) override;

    // What the Scores window shows.
    enum class Period
    {
        ThisGame,
        Today,
        Last7Days,
        Last30Days,
        AllTime,
    };
    struct PlayerRow
    {
        QString name;
        int games = 0, won = 0, answers = 0, right = 0;
        int bestStreak = 0;   // words won in a row within one game
        QDateTime lastPlayed; // the player's last registration or answer
    };
    std::vector<PlayerRow> players(Period period, const QDateTime &now);
    // Names the current game registered, merged as the table shows them.
    QStringList currentPlayers();

    struct GameRow
    {
        qint64 id = 0;
        QDateTime opened, ended; // ended invalid: unfinished
        QString host, wordFile;
        int words = 0, won = 0;
    };
    std::vector<GameRow> games();

    struct Answer
    {
        QString player, answer, marks;
        Verdict verdict = Verdict::Miss;
        bool countdown = false;
    };
    struct WordReport
    {
        int index = 0;
        QString word;
        QStringList calledDown;
        std::vector<Answer> answers;
        QString winner, box;
    };
    std::vector<WordReport> report(qint64 game);

    struct Merge
    {
        qint64 id = 0;
        QString from, into;
        QDateTime made;
    };
    // Joins from into into: every result of from counts as into's. Undone
    // merges are kept with the time they were undone.
    bool mergePlayers(const QString &from, const QString &into);
    bool undoMerge(qint64 id);
    std::vector<Merge> merges();

private:
    explicit ScoreStore(QString connection, QString path,
                        std::function<void(const QString &)> tell);
    class Transaction;
    using Write = std::function<bool()>;
    bool transact(const std::function<bool()> &body);
    bool exec(const QString &sql, const QVariantList &values = {});
    void failed(const QString &what);
    bool newGame(const QVariantList &values);
    bool confirmPending();
    bool dropPending();
    bool refreshTallies();
    bool loadAliases();

    QString m_connection, m_path;
    std::function<void(const QString &)> m_tell;
    QString m_failure;
    qint64 m_game = 0;
    std::vector<Write> m_queue;
    bool m_countdown = false;   // the closing count ran for the next answer
    bool m_unconfirmed = false; // rows wait on a log write
    bool m_confirmable = false; // a log write succeeded since they were written
    bool m_ended = false;
};
