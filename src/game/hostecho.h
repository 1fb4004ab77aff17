#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

struct GameContext;

// The echo of the title line, by which the opening learns the host's avatar
// name and the resume checks it.

// Host detection on one block of chat text.
struct HostEcho
{
    QString cut;           // the text from 40 characters before the host's echo
    QString name;          // the host's avatar name, empty when none could be taken
    bool longName = false; // no line break in the window: the name may run past it
};

// Which of several echoes is the host's.
enum class EchoPick
{
    // The host's own line comes back before anyone can repeat it.
    First,
    // The newest: a room hands a program that connects its recent lines, in
    // which an earlier game's echo may stand.
    Last,
};

// The host's echo is a whole line that is a name, ": " and the title line,
// the name read from the line's start; a line that only holds the title, or
// another avatar's line after it, speaks for nobody. When the chat client
// names the host (host not empty), only a line under that name counts.
// Only a title with at least 40 characters in front of it can be an echo; no
// value when there is none (fetch again without cutting). With a value, the
// text is to be cut; an empty name means no such line shows a name that can
// be taken (or only one that registration would refuse).
std::optional<HostEcho> findHostEcho(const QString &chat, const QString &host = QString(),
                                     EchoPick pick = EchoPick::First);

// Where the title begins on the last line that says it under host's name
// (a whole line from its start, "host: " and the title), or -1. With no host
// named, where the last title begins, whoever said it.
qsizetype lastEchoUnder(QStringView text, const QString &host);

// What a look at the chat fetched so far makes of it.
enum class EchoLook
{
    NotYet, // no echo that can be read yet: fetch again
    Seen,   // an echo that cannot be read: a few more looks
    Done,
};

// How long the echo may take to come back, in ticks of Timer1 waited between
// fetches: an IRC server paces the host's lines and may hold the title
// behind earlier ones for several seconds.
inline constexpr int EchoWaitTicks = 231; // 30 s

// Fetches chat text until look is Done. look sees everything fetched so far,
// joined in the order the room showed it (the window in front of an echo may
// come from an earlier fetch). The first fetch waits for text; later ones go
// at Timer1's pace and give a quiet room a few pauses. Without an echo the
// fetching ends after EchoWaitTicks; once one was Seen, after two more looks.
// Text that showed no echo keeps only what may stand in front of a later one.
// Returns whether look came to Done. Throws what the link's waits throw.
bool fetchForEcho(GameContext &ctx, const std::function<EchoLook(const QString &)> &look);
