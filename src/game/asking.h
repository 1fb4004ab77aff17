#pragma once

#include <QString>

struct GameContext;
struct GameState;

// A turn: the ask of the called-down player whose turn it is, the reading
// of his answer from the room and its check against the game word.

// cmdAsk in a running game: the banner and the player's line with the
// pattern; arms the automatic countdown when one is set.
void AskingSequence(GameContext &ctx);
// Reads the asked player's last line from newly fetched chat text. Found:
// his upper-cased answer is shown, Check is offered and the automatic
// countdown stops. Not found: only Get and Countdown are offered again.
void cmdGet_Click(GameContext &ctx);
// A match records the winner, waits while the host handles the box call in
// the boxes window and moves to the next word. A miss marks the answer into
// the pattern and passes the turn on.
void cmdCheck_Click(GameContext &ctx);

// "Bob, your word is C -- -- -- ": a space of the pattern shows as "-- ",
// any other character followed by one space.
QString askLine(const QString &name, const QString &guess);
// The pattern as that line says it, without the last space: "C -- -- --".
QString saidPattern(const QString &guess);
// A try that did not win: the player's mark is counted, message is said, and
// the turn passes to the next called-down player, or back to the first.
void passTurn(GameContext &ctx, const QString &name, const QString &message);
// "Word 3 of 10".
QString wordOfCaption(const GameState &gs);
// Words(WordIndex), or empty when WordIndex points past the loaded words
// (after the last word, or a word file that has shrunk since the game began).
QString currentWord(const GameState &gs);
