#pragma once

#include <QDateTime>
#include <QString>

#include "base/integer.h"

#include <array>

struct PlayerRec
{
    QString Name;
    QString Response; // last answer, trimmed and upper-cased; Down entries only
    float Level = 0;  // fairness level, a whole number
    float Drawn = 0;  // picks and tries not yet settled into Level
};

struct WinnerRec
{
    QString Name;
    QString Box; // caption of the box colour picked; empty until picked
};

struct BoxRec
{
    QString Color;
    bool Available = false;
    bool InDefault = false;
};

struct MacroRec
{
    QString Name;
    QString Text; // lines joined by CR LF
};

// Capacities: lists that count from 1 leave entry 0 empty.
inline constexpr int MaxPlayers = 150;
inline constexpr int MaxWords = 10;
inline constexpr int MaxDown = 10;
inline constexpr int MaxWinners = 10;
inline constexpr int BoxCount = 10;
inline constexpr int MacroCount = 20;
inline constexpr int SubCount = 10;
// Players called down at a draw until the host moves the draw-count bar.
inline constexpr Integer DefaultDrawCount = 3;

// Where the game stands, in GameState::GamePhase; the numbers are the
// design's own.
enum class GamePhase : Integer
{
    NoWords = 0, // no words loaded: Start loads them
    Loaded = 1,  // words loaded: Start opens the game
    Open = 2,    // the game is open: Start asks
};

// What the boxes window does, in GameState::BoxMode; the numbers are the
// design's own.
enum class BoxMode : Integer
{
    EditDefaults = 1, // edits the default set of boxes
    CallWinner = 2,   // calls the winner's box; the match waits
};

// The one shared record of settings and game data. Every window and routine
// reads and writes the fields in place on the user-interface thread.
struct GameState
{
    // Settings, kept in the settings file.
    Integer Delay = 0;
    Integer Auto = 0;
    Integer MainLeft = 0;
    Integer MainTop = 0;
    Integer BoxLeft = 0;
    Integer BoxTop = 0;
    // The Room window's place and size in twips; RoomWidth 0: never placed.
    Integer RoomLeft = 0;
    Integer RoomTop = 0;
    Integer RoomWidth = 0;
    Integer RoomHeight = 0;
    bool OnTop = false;
    QString Sorry;
    QString WTG;
    QString RegChar;
    bool Confirm = false;
    QString CalldownMSG;
    bool Calldown = false;
    QString MacroFile;

    // Files and host.
    QString HostName;
    QString WordFile;
    QString LogFile;

    // Game words and progress.
    ::GamePhase GamePhase = GamePhase::NoWords;
    QDateTime GameStart;
    std::array<QString, MaxWords + 1> Words{};
    Integer WordCount = 0;
    Integer WordIndex = 0;
    std::array<bool, MaxWords + 1> Asked{};
    QString Guess;
    // The pattern as the last ask said it in the room; empty until the
    // word's first ask. Guess runs ahead of it after a miss.
    QString PatternSaid;

    // Players, draw and winners.
    std::array<PlayerRec, MaxPlayers + 1> Players{};
    Integer PlayerCount = 0;
    std::array<PlayerRec, MaxDown + 1> Down{};
    Integer DownCount = 0;
    Integer DownPointer = 0;
    Integer DrawCount = DefaultDrawCount;
    QString ReplaceName;
    std::array<WinnerRec, MaxWinners + 1> Winners{};
    Integer WinnerCount = 0;

    // Countdown, boxes and macros.
    Integer CountdownLeft = 0;
    bool CountdownOn = false;
    Integer CountdownFrom = 0; // the seconds the running countdown announced
    std::array<BoxRec, BoxCount> Boxes{};
    ::BoxMode BoxMode = BoxMode::EditDefaults;
    std::array<MacroRec, MacroCount + 1> Macros{};
    std::array<QString, SubCount> Subs{}; // %sub0% to %sub9%
};

// The game as the program starts, before the settings file is read: the
// host "Me" until the opening learns the name, no words, players or
// winners, no calldown, and the boxes window editing the default set.
void GlobalsInit(GameState &gs);

// The process's one instance. Everything in the program works on this record;
// routines take it by reference so tests can hand them a record of their own.
GameState &theGame();
