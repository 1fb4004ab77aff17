#pragma once

#include <QString>

#include <optional>

struct GameContext;

// Opens a loaded game: the banner in the room, the host's name from its
// echo, the invitation to register, the first word and a new recovery log.
// Fetches chat text until the title's echo shows the host's name; a close of
// the window during that wait ends it with WaitAbandoned. When no name can be
// read after a bounded number of fetches, the host is told why and the step
// ends with StepUndone.
void OpenGame(GameContext &ctx);

// Host detection on one block of chat text.
struct HostEcho
{
    QString cut;           // the text from 40 characters before the host's echo
    QString name;          // the host's avatar name, empty when none could be taken
    bool longName = false; // no line break in the window: the name may run past it
};
// The host's echo is the first whole line that is a name, ": " and the title
// line, the name read from the line's start: the host's own line comes back
// before anyone can answer it, and a line that only holds the title, or
// another avatar's line after it, speaks for nobody. When the chat client
// names the host (host not empty), only a line under that name counts.
// No value when the title is absent or has fewer than 40 characters in front
// of its first echo (fetch again without cutting). With a value, the text is
// to be cut; an empty name means no such line shows a name that can be taken
// (or only one that registration would refuse), and the opening fetches
// again.
std::optional<HostEcho> findHostEcho(const QString &chat, const QString &host = QString());
