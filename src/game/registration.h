#pragma once

#include <QString>

class Console;
struct GameContext;
struct GameState;

// Registrations and the player list: players join by sending the host the
// registration character by ESP. The list stays duplicate-free (exact names)
// and sorted by lower-case name; lstPlayers row k - 1 shows Players(k).

// The message box shown once per Get Regs when registrations had to be
// turned away because the list holds MaxPlayers players.
QString playerListFullText();
QString playerListFullTitle();

// Get Regs: fetches the chat text, registers every sender of an ESP that
// ends in the registration key after the last title echo, sorts and shows
// the list, rewrites the log and the count label.
void GetRegs(GameContext &ctx);

enum class Registration
{
    Added,
    Duplicate,
    ListFull
};
// Adds one player (a fresh record: level 0, no marks) unless the name is
// already registered or the list is full; confirms a new registration by ESP
// when Confirm is set.
Registration Register(GameContext &ctx, const QString &name);

// Exchange sort on the lower-case names (not stable, kept as the host's
// earlier tools sorted, so equal names end in the same order).
void SortPlayers(GameState &gs);
// Shows Players(1..PlayerCount) in lstPlayers.
void RefillPlayers(const GameState &gs, Console &console);

// Says the registered players in the room.
void ListPlayers(GameContext &ctx);
// Removes the player selected in lstPlayers after asking the host.
void DeletePlayer(GameContext &ctx);
