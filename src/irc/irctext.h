#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How names and text cross between IRC (UTF-8, nicks of a few characters)
// and the room the program reads (Windows-1252, avatar names).
namespace IrcNick {
// The nick for an avatar name. Letters A-Z and a-z, digits and - [ ] \ ` ^ {
// } | _ stay; a letter with an accent loses it (é becomes e); every other
// character, the space included, becomes _; a nick starting with a digit or
// - gets _ in front; the result is cut to maxLength. Empty for an empty name.
// "Ann Lee" becomes "Ann_Lee"; a valid nick stays as it is.
QString fromName(const QString &name, qsizetype maxLength);
// The n-th nick to try when nick is taken: nick with n behind it ("Ann_Lee2"),
// the nick cut so that both fit in maxLength.
QString numbered(const QString &nick, int n, qsizetype maxLength);
// How the server folds the case of nicks and channel names (ISUPPORT's
// CASEMAPPING): ascii folds A-Z only; strict-rfc1459 also takes [ ] \ for
// the capitals of { } |, and rfc1459, the default, ~ for that of ^ as well.
enum class CaseMapping
{
    Ascii,
    StrictRfc1459,
    Rfc1459,
};
// The mapping a CASEMAPPING value names; nothing for one not known here.
std::optional<CaseMapping> caseMappingNamed(QByteArrayView value);
// The form two nicks or channel names are compared in.
QByteArray folded(QByteArrayView name, CaseMapping mapping);
} // namespace IrcNick

namespace IrcText {
// Text from the wire: UTF-8, or Windows-1252 when it is not valid UTF-8 (as
// older clients send it); colour and formatting codes removed.
QString decode(const QByteArray &bytes);
// What the room shows for a message: a /me action naming a gesture ("waves",
// "wave" or "<wave>") as that gesture's character, any other action as
// "/me text", plain text as it is; nothing for other CTCP requests.
std::optional<QString> fromWire(const QByteArray &text);
// The message texts that say text on IRC, none longer than budget bytes: a
// line of one gesture character becomes an action naming the gesture
// ("\x01ACTION waves\x01"), a line starting with "/me " an action, control
// characters become spaces. Long lines are split as splitAtSpaces() does.
QList<QByteArray> toWire(const QString &text, qsizetype budget);
// Cuts UTF-8 text into pieces of at most budget bytes, each but the first
// starting with a space where there is one, never inside a character; the
// pieces joined give the text back exactly.
QList<QByteArray> splitAtSpaces(const QByteArray &utf8, qsizetype budget);
} // namespace IrcText
