#pragma once

#include "game/gamestate.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct GameContext;

// Closing a turn by hand or after the automatic countdown's seconds.

// Closes the turn: counts down in the room and asks the host whether the
// player answered in time; yes reads the answer, no passes the turn on.
// While an automatic countdown runs it is only cancelled, silently.
void cmdCountdown_Click(GameContext &ctx);
// One second of the automatic countdown: announces the seconds at the first
// tick, warns at 10 left and runs the closing below 6.
void Timer2_Timer(GameContext &ctx);

// Ends a running or armed automatic countdown without a word to the room.
void stopAutomaticCountdown(GameContext &ctx);
// Ends it as the host's cancel does: its button says Countdown again, and
// Ask, Get and Countdown are offered. A second whose step lost the link
// ends it so too, since every further second would fail alike (and a
// silent client would hold the window five seconds each time).
void cancelCountdown(GameContext &ctx);
// Timer2_Timer as a step of runStep, which undoes a step whose link failed;
// the countdown is then ended so.
void countdownSecond(GameContext &ctx,
                     const std::function<void(const std::function<void()> &)> &runStep);

// The countdown button's caption for an Auto setting: "Countdown" for 0,
// "Auto 15", "Auto 30", "Auto 60"; no caption for any other value.
std::optional<QString> countdownCaption(int autoSeconds);
// The nine lines that close a turn.
QStringList closingLines();
