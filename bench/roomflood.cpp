#include "chatgen.h"
#include "results.h"
#include "stubs.h"

#include "base/ansi.h"
#include "game/gamestate.h"
#include "roomwindow/frmroom.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>
#include <vector>

namespace {

// A minute's flood: the client sends one piece a turn of the event loop, so
// 100,000 lines come as 1,000 pieces of 100.
constexpr int FloodLines = 100000;
constexpr int PieceLines = 100;
constexpr double FloodSeconds = 60;

// The flood's lines as the live copy carries them, generated chat of every
// shape, in Windows-1252 with CR LF.
const QByteArray &floodBytes()
{
    static QByteArray bytes;
    if (bytes.isEmpty()) {
        const QList<QByteArray> lines = generatedChat(8 * 1024 * 1024).split('\n');
        for (int i = 0; i < FloodLines; ++i) {
            QByteArray line = lines.at(i % lines.size());
            if (!line.endsWith('\r'))
                line += '\r';
            bytes += line + '\n';
        }
    }
    return bytes;
}

QStringList floodPieces()
{
    QStringList pieces;
    const QString text = Ansi::decode(floodBytes());
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = at;
        for (int n = 0; n < PieceLines && end < text.size(); ++n)
            end = text.indexOf(u'\n', end) + 1;
        pieces << text.mid(at, end - at);
        at = end;
    }
    return pieces;
}

// The heap in use, not the resident size: freed blocks stay with this
// process (main.cpp), so what another benchmark freed would hide the window's.
double heapKb()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / 1024;
}

// The Room window shown, each piece added and the event loop turned once, as
// the live copy's frames bring them; the memory in use once the window is full
// and when the flood is over, over what it was before the window.
void roomFlood(benchmark::State &state)
{
    const QStringList pieces = floodPieces();
    GameState gs;
    QuietDialogs dialogs;
    const double before = heapKb();
    double full = 0, end = 0;
    for (auto _ : state) {
        frmRoom room(RoomContext{ChildContext{gs, dialogs, {}, {}, {}, {}},
                                 {},
                                 [] { return QStringLiteral("Ann Lee"); },
                                 {}});
        room.show();
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            room.addText(pieces[i]);
            QCoreApplication::processEvents();
            if ((i + 1) * PieceLines == 2 * frmRoom::MaxLines)
                full = heapKb();
        }
        QCoreApplication::processEvents();
        end = heapKb();
    }
    state.counters["fullkb"] = full - before;
    state.counters["endkb"] = end - before;
}

// The chat-block baseline's plain line split, on the flood's bytes.
void floodSplit(benchmark::State &state)
{
    const QByteArray &bytes = floodBytes();
    for (auto _ : state) {
        const std::vector<std::string> lines = plainSplit(bytes);
        benchmark::DoNotOptimize(lines.data());
    }
}

} // namespace

void registerRoomFloodBenchmarks()
{
    benchmark::RegisterBenchmark("roomflood/window", roomFlood)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(2);
    benchmark::RegisterBenchmark("roomflood/split", floodSplit)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.1);
}

void roomFloodBudgets(const Results &r,
                      const std::function<void(bool, const char *, const char *)> &budget)
{
    if (!r.count("roomflood/window") || !r.count("roomflood/split"))
        return;
    const double shown = FloodLines / r.at("roomflood/window");
    const double split = FloodLines / r.at("roomflood/split");
    const double ratio = shown / (FloodLines / FloodSeconds);
    char detail[200];
    std::snprintf(detail, sizeof detail,
                  "%.0f lines/s shown, %.0f times the flood's rate; the line split %.0f lines/s",
                  shown, ratio, split);
    budget(ratio >= 10,
           "a flood of 100,000 lines a minute takes the Room window under a tenth of its time",
           detail);
    const double full = r.count("roomflood/window:fullkb") ? r.at("roomflood/window:fullkb") : -1;
    const double end = r.count("roomflood/window:endkb") ? r.at("roomflood/window:endkb") : -1;
    std::snprintf(detail, sizeof detail,
                  "%.1f MB over the start when full, %.1f MB after the flood, %.2f times",
                  full / 1024, end / 1024, end / std::max(full, 1.0));
    budget(full > 0 && end <= 1.5 * full,
           "the Room window's memory stays within 1.5 times what it takes full", detail);
}
