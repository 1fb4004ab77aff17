#include "macros/macroexpand.h"

#include "game/gamestate.h"

#include <optional>

namespace {

// A value may itself hold a placeholder (a substitution naming %host%); one
// that names itself would grow for ever, so a line takes at most this many.
constexpr int MaxReplacements = 100;

std::optional<QString> valueOf(const QString &name, const GameState &gs)
{
    if (name == u"host")
        return gs.HostName;
    if (name == u"reg")
        return gs.RegChar;
    if (name == u"words")
        return QString::number(gs.WordCount);
    if (name == u"player") {
        if (gs.DownPointer >= 0 && gs.DownPointer <= MaxDown)
            return gs.Down[gs.DownPointer].Name;
        return QString();
    }
    if (name.size() == 4 && name.startsWith(u"sub") && name[3] >= u'0' && name[3] <= u'9')
        return gs.Subs[name[3].unicode() - u'0'];
    return std::nullopt;
}

} // namespace

QString expandMacroLine(const QString &line, const GameState &gs)
{
    QString text = line;
    int replacements = 0;
    qsizetype from = 0;
    while (replacements < MaxReplacements) {
        const qsizetype a = text.indexOf(u'%', from);
        if (a < 0)
            break;
        const qsizetype b = text.indexOf(u'%', a + 1);
        if (b < 0)
            break;
        const auto value = valueOf(text.mid(a + 1, b - a - 1).toLower(), gs);
        if (!value) {
            // Not ours ("50% off", "%name%"): keep it and look further on.
            from = a + 1;
            continue;
        }
        text = text.left(a) + *value + text.mid(b + 1);
        ++replacements;
        from = 0;
    }
    return text;
}
