#pragma once

#include "../game/gameround.h"
#include "game/draw.h"
#include "scores/scorestore.h"

#include <QDir>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// A game on the rig that records into a real scores.sqlite in the rig's
// folder. The box called for each word is taken from boxes in turn.
struct ScoredGame : GameRound
{
    std::unique_ptr<ScoreStore> store;
    QStringList told;
    QStringList boxes = {u"Red"_qs, u"Blue"_qs, u"Green"_qs};
    std::function<void()> duringBoxCall;

    ScoredGame()
    {
        ctx.showBoxWindow = [this](BoxPick &pick) {
            if (duringBoxCall)
                duringBoxCall();
            gs.Winners[gs.WinnerCount].Box = boxes.value(gs.WinnerCount - 1);
            pick.ask({BoxPick::Ask::Close});
        };
    }
    QString storePath() const { return path(ScoreStore::fileName()); }
    // At the rig's store path unless told another.
    ScoreStore::Opened openStore(const QString &at = {})
    {
        ScoreStore::Opened opened = ScoreStore::open(at.isEmpty() ? storePath() : at,
                                                     [this](const QString &t) { told << t; });
        store = std::move(opened.store);
        ctx.results = store.get();
        return opened;
    }
    // Plays on from wherever the game stands: whoever is asked is right.
    void playToEnd()
    {
        while (gs.WordIndex <= gs.WordCount) {
            if (gs.DownCount == 0)
                cmdDraw_Click(ctx);
            answer(currentWord(gs));
        }
    }
};
