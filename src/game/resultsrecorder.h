#pragma once

#include "chat/gamestatus.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct GameState;

// What the game tells the store of results as it plays. The game context
// holds one, or none when the store could not be opened: the game never
// waits on it and never learns whether a write worked.
//
// The steps tell what happened, then saveProgress() commits it together with
// the fingerprint of the recovery log about to be written. Rows stay marked
// as waiting until a log write after them succeeded, so a Recover can tell
// from the log it resumes whether they belong to the game or will be played
// again.
class ResultsRecorder
{
public:
    enum class Verdict
    {
        Match,
        Miss,
        TimeRanOut,
    };

    virtual ~ResultsRecorder() = default;

    // A new game: a record of its own from now on.
    virtual void gameOpened(const GameState &gs) = 0;
    // After a Recover: continues the record the log's header names (its
    // start line, word file and host), keeps or drops the rows that waited
    // on a log with this fingerprint, and adds what the log holds that the
    // record lacks (players, winners).
    virtual void gameResumed(const GameState &gs, const QString &startLine,
                             const QByteArray &logPrint) = 0;

    virtual void registered(const QString &name) = 0;
    // Words count from 1, as the game does; the word goes with each.
    virtual void calledDown(int index, const QString &word, const QStringList &names) = 0;
    // The closing count ran for the answer told next.
    virtual void countdownRun() = 0;
    // The answer as read (trimmed, upper case), its marks; empty for a time
    // that ran out.
    virtual void answered(int index, const QString &word, const QString &player,
                          const QString &answer, const QString &marks, Verdict verdict) = 0;
    virtual void wordWon(int index, const QString &word, const QString &winner,
                         const QString &box) = 0;
    virtual void gameEnded() = 0;

    virtual void commit(const QByteArray &logPrint) = 0;
    virtual void logWritten(bool ok) = 0;
};

// The figures the macros announce, all time, merged names as one.
class ScoreFigures
{
public:
    virtual ~ScoreFigures() = default;
    // The top three by words won: "Ann Lee 5, Bo Reed 3, Kit 2", and those
    // tied with the third counted: "Ann 4, Bo 2, Kit 2 and 3 more with 2".
    virtual QString leaders() = 0;
    // The players with most words won, most first (a tie by name), at most
    // count of them; those with none are not leaders.
    virtual QList<GameStatus::Leader> topWinners(int count) = 0;
    virtual int wins(const QString &player) = 0;
};
