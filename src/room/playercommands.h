#pragma once

#include <QStringList>

#include <functional>

class RoomConsole;
class ScriptedPlayers;

// The console's commands for who is in the room: /add, /remove, /players
// and /words. people names the people in the room, from a terminal or the
// web page.
void addPlayerCommands(RoomConsole &console, ScriptedPlayers &players,
                       std::function<QStringList()> people);
