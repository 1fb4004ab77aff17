#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The shapes in which the chat client shows lines, joined by CR LF: a line
// said in the room is "Name: text", a private message to the host is
// "ESP from Name: text". Only a line of that shape, read from its start, is
// taken as someone's: a name that ends in another's, or a line that quotes
// one of these shapes, speaks for nobody else.

// Whether name can be an avatar's: it holds no control character and no
// colon followed by a space. A name that does was put together from a
// stranger's text.
bool plausibleName(QStringView name);

// The text after "name:" on the last line of text that the client shows as
// name's, said in the room or sent to the host, up to the end of that line.
// No value when name has no such line.
std::optional<QString> lastLineOf(const QString &text, const QString &name);

// What follows "ESP from " when line, read from its start, is a private
// message to the host: the sender's name, ": " and the message.
std::optional<QStringView> privateMessage(QStringView line);

// Where the first whole line at or after position from (0 to text's size)
// begins: from itself when a line begins there, otherwise just behind the
// next CR LF, or text's size when none follows.
qsizetype lineStartFrom(QStringView text, qsizetype from);

// Where the next CR LF at or after from begins, or -1. Quicker than a
// search for the two characters: the CR alone is looked for.
qsizetype indexOfCrLf(QStringView text, qsizetype from);

// Blanks every character that would break a line apart or act on a screen
// (the C0 controls, DEL and the Unicode line and paragraph separators), so
// the text stays one line wherever it goes.
void blankControls(QString &line);

// Where the last needle in text begins, or -1, for a needle whose first
// character is rare in chat (a banner's): each of those is tried in turn.
qsizetype lastIndexOfRare(QStringView text, QStringView needle);
