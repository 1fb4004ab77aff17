#include "chat/moderation.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::pair<ModAction, QStringView>, 6> Words{{
    {ModAction::Mute, u"mute"},
    {ModAction::Unmute, u"unmute"},
    {ModAction::Kick, u"kick"},
    {ModAction::Ban, u"ban"},
    {ModAction::Unban, u"unban"},
    {ModAction::Bans, u"bans"},
}};

bool hasControl(QStringView text)
{
    return std::ranges::any_of(text, [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    });
}

// Case and runs of spaces do not make another name.
QString folded(const QString &name)
{
    return name.simplified().toCaseFolded();
}

// The leading name of rest: quoted, or its first word; rest keeps what follows.
QString takeName(QStringView &rest)
{
    rest = rest.trimmed();
    if (rest.startsWith(u'"')) {
        const qsizetype close = rest.indexOf(u'"', 1);
        if (close > 0) {
            const QString name = rest.sliced(1, close - 1).toString();
            rest = rest.sliced(close + 1).trimmed();
            return name;
        }
    }
    const qsizetype space = rest.indexOf(u' ');
    const QString name = (space < 0 ? rest : rest.left(space)).toString();
    rest = space < 0 ? QStringView() : rest.sliced(space + 1).trimmed();
    return name;
}

QString unquoted(QStringView text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.sliced(1, text.size() - 2);
    return text.toString();
}

} // namespace

QString modActionWord(ModAction action)
{
    for (const auto &[a, word] : Words) {
        if (a == action)
            return word.toString();
    }
    return {};
}

std::optional<ModAction> modActionOf(QStringView word)
{
    for (const auto &[a, w] : Words) {
        if (word.compare(w, Qt::CaseInsensitive) == 0)
            return a;
    }
    return std::nullopt;
}

std::optional<ModParse> parseModCommand(QStringView typed)
{
    typed = typed.trimmed();
    if (!typed.startsWith(u'/'))
        return std::nullopt;
    const qsizetype space = typed.indexOf(u' ');
    const std::optional<ModAction> action =
        modActionOf(typed.sliced(1, (space < 0 ? typed.size() : space) - 1));
    if (!action)
        return std::nullopt;
    ModParse out;
    out.request.action = *action;
    QStringView rest = space < 0 ? QStringView() : typed.sliced(space + 1).trimmed();
    switch (*action) {
    case ModAction::Bans:
        if (!rest.isEmpty())
            out.refusal = QStringLiteral("/bans takes nothing after it.");
        return out;
    case ModAction::Unmute:
    case ModAction::Unban:
        out.request.name = unquoted(rest);
        break;
    case ModAction::Mute: {
        out.request.minutes = ModLimits::DefaultMinutes;
        // The last word is the minutes when it is a number; a name may hold spaces.
        const qsizetype last = rest.lastIndexOf(u' ');
        const QStringView tail = last < 0 ? QStringView() : rest.sliced(last + 1);
        const bool numeric =
            !tail.isEmpty() && std::ranges::all_of(tail, [](QChar c) { return c.isDigit(); });
        if (numeric || tail.startsWith(u'-') || tail.startsWith(u'+')) {
            bool ok = false;
            const int minutes = tail.toInt(&ok);
            out.request.minutes = ok ? minutes : -1;
            rest = rest.left(last);
        }
        out.request.name = unquoted(rest);
        break;
    }
    case ModAction::Kick:
    case ModAction::Ban:
        out.request.name = takeName(rest);
        out.request.reason = rest.toString();
        break;
    }
    out.refusal = modRefusal(out.request, {});
    return out;
}

QString modRefusal(const ModRequest &r, const QString &hostName)
{
    if (r.action == ModAction::Bans)
        return {};
    const QString word = modActionWord(r.action);
    if (r.name.trimmed().isEmpty())
        return QStringLiteral("Give a name: /%1 NAME.").arg(word);
    if (hasControl(r.name) || r.name.size() > ModLimits::MaxName)
        return QStringLiteral("That is no name anyone in the room can have.");
    if (!hostName.isEmpty() && folded(r.name) == folded(hostName))
        return QStringLiteral("%1 is the host, whom no one can %2.").arg(hostName, word);
    if (r.action == ModAction::Mute && (r.minutes < 1 || r.minutes > ModLimits::MaxMinutes))
        return QStringLiteral("A mute lasts 1 to %1 minutes.").arg(ModLimits::MaxMinutes);
    if (hasControl(r.reason) || r.reason.size() > ModLimits::MaxReason)
        return QStringLiteral("A reason is one line of at most %1 characters.")
            .arg(ModLimits::MaxReason);
    return {};
}
