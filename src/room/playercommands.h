#pragma once

class PeopleServer;
class RoomConsole;
class ScriptedPlayers;

// The console's commands for who is in the room: /add, /remove, /players
// and /words.
void addPlayerCommands(RoomConsole &console, ScriptedPlayers &players, PeopleServer &people);
