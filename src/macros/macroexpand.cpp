#include "macros/macroexpand.h"

#include "game/gamestate.h"
#include "game/resultsrecorder.h"

#include <QVarLengthArray>

#include <optional>
#include <string_view>

namespace {

// A value may itself hold a placeholder (a substitution naming %host%); one
// that names itself would grow for ever, so a line takes at most this many.
constexpr int MaxReplacements = 100;
constexpr qsizetype MinNameLength = 3, MaxNameLength = 7; // "reg", "leaders"

// A name of up to eight ASCII characters as one number, to switch on.
constexpr quint64 key(std::string_view name)
{
    quint64 k = 0;
    for (char c : name)
        k = k << 8 | uchar(c);
    return k;
}

struct Value
{
    QStringView text;
    // Room text from the store (players' names): never read for
    // placeholders, so a name cannot make the line say more.
    bool literal = false;
    // A value the game has not got (nobody drawn, nobody has won yet):
    // the line would say a broken sentence ("Good luck, !"), so it is not
    // said. A substitution the host left empty is the host's choice.
    bool missing = false;
};

Value given(QStringView text, bool literal = false)
{
    return Value{text, literal, text.isEmpty()};
}

// The store's figures and the word count, made once a line asks for them.
struct Figures
{
    ScoreFigures *source;
    std::optional<QString> leaders, wins, words;
};

QStringView playerOf(const GameState &gs)
{
    if (gs.DownPointer >= 0 && gs.DownPointer <= MaxDown)
        return gs.Down[gs.DownPointer].Name;
    return QStringView();
}

std::optional<Value> valueOf(QStringView name, const GameState &gs, Figures &figures)
{
    if (name.size() < MinNameLength || name.size() > MaxNameLength)
        return std::nullopt;
    // Lower-casing makes no character beyond ASCII a letter or digit of these
    // names, so a name is lowered here without a copy or a table. A NUL
    // would vanish at the front of the number and "\0host" pass for "host".
    quint64 lower = 0;
    for (QChar c : name) {
        if (c.unicode() >= 0x80 || c.isNull())
            return std::nullopt;
        lower = lower << 8 | (c >= u'A' && c <= u'Z' ? c.unicode() - u'A' + u'a' : c.unicode());
    }
    switch (lower) {
    case key("host"):
        return given(gs.HostName);
    case key("reg"):
        return given(gs.RegChar);
    case key("words"):
        if (!figures.words)
            figures.words = QString::number(gs.WordCount);
        return given(*figures.words);
    case key("player"):
        return given(playerOf(gs));
    case key("leaders"):
        if (!figures.leaders)
            figures.leaders = figures.source ? figures.source->leaders() : QString();
        return given(*figures.leaders, true);
    case key("wins"):
        if (!figures.wins) {
            const QString player = playerOf(gs).toString();
            figures.wins = figures.source && !player.isEmpty()
                               ? QString::number(figures.source->wins(player))
                               : QString();
        }
        return given(*figures.wins, true);
    }
    if (lower >> 8 == key("sub") && (lower & 0xff) >= '0' && (lower & 0xff) <= '9')
        return Value{gs.Subs[(lower & 0xff) - '0']};
    return std::nullopt;
}

// The last "%" of text near enough its end to open a placeholder, or -1.
// Nothing before floor (the end of the last literal value) opens one.
qsizetype openingPercent(const QString &text, qsizetype floor)
{
    for (qsizetype i = text.size() - 1; i >= floor && i >= text.size() - 1 - MaxNameLength; --i) {
        if (text[i] == u'%')
            return i;
    }
    return -1;
}

} // namespace

// A line expands as if the search started over from the beginning after
// each replacement, which took seconds on long lines. Nothing before the "%"
// in front of a replacement changes, so the text is read once, front to
// back, and only the pair that "%" opens is looked at again; each value is
// read where it lies rather than spliced into a copy of the rest of the line.
QString expandMacroLine(const QString &line, const GameState &gs, ScoreFigures *scores)
{
    // Most lines name nothing; they are said as they stand, uncopied.
    if (!line.contains(u'%'))
        return line;
    Figures figures{scores, std::nullopt, std::nullopt, std::nullopt};
    QString text; // what is read; its last "%" may still open a placeholder
    text.reserve(line.size());
    qsizetype opening = -1;
    qsizetype floor = 0;
    QVarLengthArray<QStringView, 16> rest{line}; // still to read, the nearest last
    int replacements = 0;
    while (!rest.empty()) {
        const QStringView next = rest.back();
        rest.pop_back();
        if (replacements == MaxReplacements) {
            text += next;
            continue;
        }
        qsizetype previous = -1; // the last "%" seen in next
        bool replaced = false;
        // Most of a line is not "%"; the search passes over it many
        // characters at a time.
        for (qsizetype i = next.indexOf(u'%'); i >= 0; i = next.indexOf(u'%', i + 1)) {
            std::optional<Value> value;
            if (previous >= 0) {
                value = valueOf(next.sliced(previous + 1, i - previous - 1), gs, figures);
            } else if (opening >= 0 && text.size() - opening - 1 + i <= MaxNameLength) {
                // A placeholder across the edge of a value.
                QString name = text.sliced(opening + 1);
                value = valueOf(name += next.first(i), gs, figures);
            }
            if (!value) {
                // The pairs inside a run of "%" name nothing.
                while (i + 1 < next.size() && next[i + 1] == u'%')
                    ++i;
                previous = i;
                continue;
            }
            if (value->missing)
                return QString();
            if (previous >= 0)
                text += next.first(previous);
            else
                text.truncate(opening);
            rest.push_back(next.sliced(i + 1));
            if (value->literal) {
                text += value->text;
                floor = text.size();
                opening = -1;
            } else {
                opening = openingPercent(text, floor);
                rest.push_back(value->text);
            }
            ++replacements;
            replaced = true;
            break;
        }
        if (!replaced) {
            if (previous >= 0)
                opening = text.size() + previous;
            text += next;
        }
    }
    return text;
}

QString placeholderList()
{
    return QStringLiteral("%host% %reg% %words% %player% %sub0%..%sub9% %leaders% %wins%");
}
