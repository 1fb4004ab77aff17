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
    QString cut;           // the text from 40 characters before the title's last echo
    QString name;          // the host's avatar name, empty when none could be taken
    bool longName = false; // no line break in the window: the name may run past it
};
// No value when the title is absent or has fewer than 40 characters in front
// of its first echo (fetch again without cutting). With a value, the text is
// to be cut; an empty name means the cut text does not show a name in front
// of the echo (or only one that registration would refuse), and the opening
// fetches again.
std::optional<HostEcho> findHostEcho(const QString &chat);
