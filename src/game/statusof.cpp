#include "game/statusof.h"

#include "game/asking.h"
#include "game/gamestate.h"

#include <algorithm>

namespace {

// A word of the list; a log edited by hand may point anywhere.
QString wordAt(const GameState &gs, int index)
{
    return index >= 1 && index <= std::min<int>(gs.WordCount, MaxWords) ? gs.Words[index]
                                                                        : QString();
}

} // namespace

GameStatus statusOf(const GameState &gs, const QList<GameStatus::Leader> &leaders)
{
    using Phase = GameStatus::Phase;
    GameStatus s;
    s.leaders = leaders;
    if (gs.GamePhase != GamePhase::Open)
        return s;
    s.words = gs.WordCount;
    const int winners = std::clamp<int>(gs.WinnerCount, 0, MaxWinners);
    for (int i = 1; i <= winners; ++i)
        s.winners << GameStatus::Winner{gs.Winners[i].Name, gs.Winners[i].Box};

    const int down = std::clamp<int>(gs.DownCount, 0, MaxDown);
    if (gs.WordIndex > gs.WordCount && gs.WordCount > 0) {
        s.phase = Phase::Over;
        s.word = gs.WordCount;
        s.pattern = wordAt(gs, s.word);
    } else if (down > 0) {
        s.phase = Phase::Playing;
        s.word = gs.WordIndex;
        // As the room read it: a pattern's blanks are spaces, which a page
        // would show as nothing at all at the end of the word.
        s.pattern = saidPattern(gs.PatternSaid);
        for (int i = 1; i <= down; ++i)
            s.called << gs.Down[i].Name;
        if (gs.DownPointer >= 1 && gs.DownPointer <= down)
            s.up = gs.DownPointer - 1;
        if (gs.CountdownOn) {
            s.secondsLeft = std::max<int>(gs.CountdownLeft, 0);
            s.secondsFrom = gs.CountdownFrom;
        }
    } else if (gs.WordIndex >= 2 && winners >= gs.WordIndex - 1) {
        // Between words: the one just won, until the next is drawn for.
        s.phase = Phase::Won;
        s.word = gs.WordIndex - 1;
        s.pattern = wordAt(gs, s.word);
    } else {
        s.phase = Phase::Open;
    }
    return s;
}
