#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The host keeps order in the room through a chat client that offers it:
// mute, kick and ban a person, and take a mute or ban back.
enum class ModAction
{
    Mute,
    Unmute,
    Kick,
    Ban,
    Unban,
    Bans, // lists the bans
};

// The protocol's texts of moderation (the frame itself is FrameOp::Moderate).
namespace ModKey {
// The offer: an event "moderate", 0, "" as the link comes up, after "host";
// only a client that made it is ever sent a moderation frame.
inline constexpr char Offer[] = "moderate";
// The answer to each moderation frame, in the order they came: an event
// "moderated", ClientStatus Done or Refused, and the client's own words.
inline constexpr char Outcome[] = "moderated";
} // namespace ModKey

namespace ModLimits {
inline constexpr int DefaultMinutes = 10;
inline constexpr int MaxMinutes = 1440;
// A reason is one line of the room's input.
inline constexpr qsizetype MaxReason = 200;
// Longer is no avatar's name in any chat client we serve.
inline constexpr qsizetype MaxName = 64;
// What a client may say about one outcome (the list of bans among them).
inline constexpr qsizetype MaxWords = 8192;
} // namespace ModLimits

struct ModRequest
{
    ModAction action = ModAction::Bans;
    QString name;
    int minutes = 0; // Mute
    QString reason;  // Kick, Ban; may be empty

    bool operator==(const ModRequest &) const = default;
};

// What came of a request: carried out or not, in the client's own words.
struct ModOutcome
{
    bool done = false;
    QString words;
};

// The action's word, on the wire and as a command without its slash.
QString modActionWord(ModAction action);
std::optional<ModAction> modActionOf(QStringView word);

// A typed command: "/mute NAME [MINUTES]", "/unmute NAME", "/kick NAME
// [REASON]", "/ban NAME [REASON]", "/unban NAME", "/bans". A name with a
// space is written in double quotes where more may follow it. Either the
// request, or why it is refused (the request then holds what was read).
struct ModParse
{
    ModRequest request;
    QString refusal;
};
// Nothing when the line is no moderation command at all.
std::optional<ModParse> parseModCommand(QStringView typed);

// Why the request must not go out; empty when it may. No one moderates the
// host (hostName), whatever the case or spacing of the name.
QString modRefusal(const ModRequest &request, const QString &hostName);
