#pragma once

#include <functional>
#include <random>

class BoxPick;
class ChatLink;
class Console;
class HostDialogs;
class MainControls;
class ResultsRecorder;
class TickSource;
struct GameState;

// What a game step works with: the shared record, the road to the room,
// the console's record and what only the window can do, the host's dialogs,
// the countdown timer and the one random generator of the process.
struct GameContext
{
    GameState &gs;
    ChatLink &link;
    Console &console;
    MainControls &controls;
    HostDialogs &dialogs;
    TickSource &timer2;
    std::mt19937 &random;
    // Opens the boxes window over the winner's pick; the match runs what the
    // host asks of it there until he closes it.
    std::function<void(BoxPick &)> showBoxWindow;
    // The store of results; null when there is none.
    ResultsRecorder *results = nullptr;
};
