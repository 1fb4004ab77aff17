#pragma once

#include <QString>

// What a person can put into the room through a chat client of the chat
// world: an 8-bit client with a short input line and short avatar names.
namespace RoomText {

// Avatar names are at most this long. Short enough that the program finds a
// host's name whole in front of its title's echo, which holds 37 characters.
constexpr qsizetype MaxNameLength = 20;
// A chat client's input line takes no more than this; the rest is cut.
constexpr qsizetype MaxMessageLength = 200;

// The text as the client would send it: control characters (C0 and C1) are
// dropped, a tab becomes a space, a character the client's code page
// (Windows-1252) cannot hold becomes '?', and the text is cut to
// MaxMessageLength.
QString typed(const QString &text);

// Why name cannot be an avatar's name; empty when it can. Names are
// printable Windows-1252 text without a colon (it ends the name in a chat
// line) or characters a reader cannot see, trimmed, at most MaxNameLength
// long, and do not begin as a private message, a notice or a command does
// ("ESP from", "ESP to", "*", "/").
QString nameProblem(const QString &name);

// What the room tells a name by: the name with letter case, width, spacing
// (a run of spaces counts as one, and none at either end), characters a
// reader cannot see and letters that look alike (Unicode's confusables,
// UTS #39: a capital I or a 1 for an l, a 0 for an O, "rn" for an m, a
// Cyrillic letter for its Latin twin) all folded away. A name's look-alikes
// share its key, and so do names that only case and look-alikes together
// join: "Ali" is "AlI" by case, which looks like "All", so the three share
// one key. Should ICU fail, the key folds all but the look-alike letters.
QString nameKey(const QString &name);

// Names with the same key are the same avatar: whoever comes later with a
// name that only looks like one in the room cannot take it.
inline bool sameName(const QString &a, const QString &b)
{
    return nameKey(a) == nameKey(b);
}

} // namespace RoomText
