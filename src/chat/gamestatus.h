#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// What the room has heard of the game, for the players' screens: the
// program sends it to the chat client after each step and each countdown
// second, and the client shows it (the web page's card, the overlay, the
// IRC topic). Only what was said in the room: never the word before it is
// won, no private text, no setting.
struct GameStatus
{
    enum class Phase
    {
        Idle,    // no game open: nothing to show
        Open,    // the game is open; no word asked yet
        Playing, // a word is under way
        Won,     // the word was won; the winners are known
        Over,    // every word has been played
    };
    struct Winner
    {
        QString name;
        QString box; // the box picked; empty until picked
        bool operator==(const Winner &) const = default;
    };
    struct Leader
    {
        QString name;
        int wins = 0;
        bool operator==(const Leader &) const = default;
    };

    Phase phase = Phase::Idle;
    int word = 0;          // N of "Word N of M"; 0 before the first word
    int words = 0;         // M
    QString pattern;       // as last said to a player; the word only once won
    QList<QString> called; // the players called down, in order
    int up = -1;           // the one up, counted from 0 in called; -1 none
    int secondsLeft = -1;  // the countdown; -1 while none runs
    int secondsFrom = 0;   // where the running countdown started
    QList<Winner> winners; // in the order they won
    QList<Leader> leaders; // from the store of results, most wins first

    bool operator==(const GameStatus &) const = default;
};

// Caps that keep a status frame small whatever the names are; encoding cuts
// to them and decoding refuses more.
namespace GameStatusCap {
inline constexpr qsizetype Text = 64;     // a name, a box
inline constexpr qsizetype Pattern = 128; // the pattern
inline constexpr qsizetype Called = 10;   // players called down
inline constexpr qsizetype Winners = 10;
inline constexpr qsizetype Leaders = 5;
inline constexpr qsizetype Bytes = 4096; // a whole encoded status
} // namespace GameStatusCap

// The status as the text of a "P" frame: Windows-1252 lines, each "key=value"
// ended by CR LF, in this order, a key absent when it has nothing to say:
//   phase=idle|open|playing|won|over
//   word=N, words=M, pattern=TEXT
//   called=NAME (one line per player, in order), up=K (0-based into called)
//   seconds=S, from=S (only while a countdown runs)
//   winner=NAME<TAB>BOX (one per winner), leader=NAME<TAB>WINS (one per leader)
// Control characters in a value are sent as spaces.
QByteArray encodeGameStatus(const GameStatus &status);
// Nothing when the text is malformed, out of bounds or over a cap; unknown
// keys are skipped, so a newer program can say more.
std::optional<GameStatus> decodeGameStatus(QByteArrayView text);
