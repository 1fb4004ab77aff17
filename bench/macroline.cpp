#include "results.h"

#include "files/linereader.h"
#include "game/gamestate.h"
#include "macros/macroexpand.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype Longest = LineReader::MaxLineBytes;
// A substitution's file line starts with "%subN%=".
constexpr qsizetype LongestSub = Longest - 7;

// One macro line as long as the macro file takes, every placeholder %sub0%.
QString placeholderLine(const QString &unit)
{
    return unit.repeated(Longest / unit.size());
}

// The shapes that took seconds while expansion started over after each
// replacement, with the longest line and substitution the file takes.
struct Shape
{
    const char *name;
    QString sub0;
    QString unit;
};

const Shape Shapes[] = {
    // Every pair of "%" in the value is read as a name.
    {"macroline/percents", QString(LongestSub, u'%'), QStringLiteral("%sub0%")},
    // Names one letter short of a placeholder, each lower-cased and looked up.
    {"macroline/names", QStringLiteral("%SUBx").repeated(LongestSub / 5), QStringLiteral("%sub0%")},
    // The value's last "%ho" and the line's "st%" make %host% across the edge.
    {"macroline/edges", QString(LongestSub - 3, u'%') + QStringLiteral("%ho"),
     QStringLiteral("%sub0%st%")},
};

void copyLine(benchmark::State &state)
{
    const QString line = placeholderLine(QStringLiteral("%sub0%"));
    for (auto _ : state) {
        QString copy(line.constData(), line.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

void expandLine(benchmark::State &state, const Shape &shape)
{
    GameState gs;
    gs.HostName = QStringLiteral("Ann Lee");
    gs.Subs[0] = shape.sub0;
    const QString line = placeholderLine(shape.unit);
    for (auto _ : state)
        benchmark::DoNotOptimize(expandMacroLine(line, gs).size());
}

} // namespace

void registerMacroLineBenchmarks()
{
    benchmark::RegisterBenchmark("macroline/copy", copyLine)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3);
    for (const Shape &shape : Shapes)
        benchmark::RegisterBenchmark(shape.name, expandLine, shape)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.2)
            ->Repetitions(3);
}

std::vector<std::string> macroLineShapes()
{
    std::vector<std::string> names;
    for (const Shape &shape : Shapes)
        names.emplace_back(shape.name);
    return names;
}
