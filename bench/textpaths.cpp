#include "chatgen.h"
#include "results.h"
#include "stubs.h"

#include "base/ansi.h"
#include "chat/chatlink.h"
#include "game/asking.h"
#include "game/banner.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/hostecho.h"
#include "game/maincontrols.h"
#include "game/registration.h"
#include "macros/macroexpand.h"
#include "transport/frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const QByteArray &chatBytes(int mb)
{
    static std::map<int, QByteArray> made;
    auto &bytes = made[mb];
    if (bytes.isEmpty())
        bytes = generatedChat(qsizetype(mb) * 1024 * 1024);
    return bytes;
}

const QString &chatText(int mb)
{
    static std::map<int, QString> made;
    auto &text = made[mb];
    if (text.isEmpty())
        text = Ansi::decode(chatBytes(mb));
    return text;
}

// A game step's surroundings with nothing outside doing any work.
struct Rig
{
    GameState gs;
    BlockClient client;
    IdleTicks timer1, timer2;
    Console console;
    MainControls controls;
    QuietDialogs dialogs;
    std::mt19937 random{1};
    ChatLink link{client, timer1, dialogs, [] { return QStringLiteral("orvella"); }};
    GameContext ctx{gs, link, console, controls, dialogs, timer2, random, {}};

    explicit Rig(const QByteArray &block)
    {
        client.block = block;
        link.InitDDE();
        gs.RegChar = QStringLiteral("\u00b0");
        gs.GamePhase = GamePhase::Open;
        // No folder there: the log write fails at once and is timed apart.
        gs.LogFile = QStringLiteral("/nonexistent-orvella-bench/Orvella.log");
        gs.DownCount = 1;
        gs.DownPointer = 1;
        gs.Down[1].Name = generatedNames().at(5);
    }
};

void perBlock(benchmark::State &state, int mb)
{
    state.SetBytesProcessed(qint64(state.iterations()) * chatBytes(mb).size());
}

// The baseline: a plain memchr line split into separate strings.
void baseline(benchmark::State &state)
{
    const int mb = int(state.range(0));
    const QByteArray &bytes = chatBytes(mb);
    for (auto _ : state) {
        const std::vector<std::string> lines = plainSplit(bytes);
        benchmark::DoNotOptimize(lines.data());
    }
    perBlock(state, mb);
}

void arrival(benchmark::State &state)
{
    const int mb = int(state.range(0));
    Rig rig(chatBytes(mb));
    const QByteArray wire = encodeFrame(Frame::chatText(chatBytes(mb)));
    for (auto _ : state) {
        FrameDecoder decoder;
        // A buffer of its own, as a read from the socket hands it over.
        decoder.feed(QByteArray(wire.constData(), wire.size()));
        const std::optional<Frame> frame = decoder.next();
        rig.link.OnDapiText(frame->text);
        benchmark::DoNotOptimize(rig.link.ChatText().size());
    }
    perBlock(state, mb);
}

void getNext(benchmark::State &state)
{
    const int mb = int(state.range(0));
    Rig rig(chatBytes(mb));
    const QString crlf = QStringLiteral("\r\n");
    const QString &text = chatText(mb);
    for (auto _ : state) {
        qsizetype total = rig.link.GetNext(text, crlf).size();
        while (!rig.link.TokenRest().isEmpty())
            total += rig.link.GetNext(QString(), crlf).size();
        benchmark::DoNotOptimize(total);
    }
    perBlock(state, mb);
}

void registrationScan(benchmark::State &state)
{
    const int mb = int(state.range(0));
    Rig rig(chatBytes(mb));
    // The echo near the end would hide the registrations in front of it.
    rig.client.block = chatBytes(mb);
    rig.client.block.replace(Ansi::encode(titleLine()), "(the title)");
    for (auto _ : state) {
        rig.gs.PlayerCount = 0;
        GetRegs(rig.ctx);
        benchmark::DoNotOptimize(rig.gs.PlayerCount);
    }
    perBlock(state, mb);
}

void hostDetection(benchmark::State &state)
{
    const int mb = int(state.range(0));
    const QString &text = chatText(mb);
    for (auto _ : state) {
        const std::optional<HostEcho> echo = findHostEcho(text);
        benchmark::DoNotOptimize(echo->name.size());
    }
    perBlock(state, mb);
}

void answerRead(benchmark::State &state)
{
    const int mb = int(state.range(0));
    Rig rig(chatBytes(mb));
    for (auto _ : state) {
        cmdGet_Click(rig.ctx);
        benchmark::DoNotOptimize(rig.gs.Down[1].Response.size());
    }
    perBlock(state, mb);
}

void macroExpansion(benchmark::State &state)
{
    const int mb = int(state.range(0));
    Rig rig(chatBytes(mb));
    rig.gs.HostName = QStringLiteral("Ann Lee");
    const QString &text = chatText(mb);
    for (auto _ : state) {
        qsizetype total = 0;
        // Cut as the baseline cuts, at each LF by a one-character search:
        // a search for the pair CR LF took a third of this path's time.
        for (qsizetype from = 0; from <= text.size();) {
            qsizetype end = text.indexOf(u'\n', from);
            const qsizetype next = end < 0 ? text.size() + 1 : end + 1;
            end = end < 0 ? text.size() : end;
            if (end > from && text[end - 1] == u'\r')
                --end;
            total += expandMacroLine(text.sliced(from, end - from), rig.gs).size();
            from = next;
        }
        benchmark::DoNotOptimize(total);
    }
    perBlock(state, mb);
}

void playerSort(benchmark::State &state)
{
    Rig rig({});
    const QStringList names = generatedNames();
    std::array<PlayerRec, MaxPlayers + 1> shuffled{};
    std::mt19937 rng(2);
    for (int i = 1; i <= MaxPlayers; ++i)
        shuffled[i].Name = names[1 + rng() % (names.size() - 1)];
    rig.gs.PlayerCount = MaxPlayers;
    for (auto _ : state) {
        rig.gs.Players = shuffled;
        SortPlayers(rig.gs);
        benchmark::DoNotOptimize(rig.gs.Players[1].Name.size());
    }
}

void logWrite(benchmark::State &state)
{
    Rig rig({});
    rig.gs.LogFile = QDir::temp()
                         .filePath(QStringLiteral("orvella-bench-%1.log"))
                         .arg(QCoreApplication::applicationPid());
    const QStringList names = generatedNames();
    for (int i = 1; i <= MaxPlayers; ++i)
        rig.gs.Players[i].Name = names[i];
    rig.gs.PlayerCount = MaxPlayers;
    for (auto _ : state)
        benchmark::DoNotOptimize(LogWriter(rig.gs));
    QFile::remove(rig.gs.LogFile);
}

} // namespace

void registerTextBenchmarks()
{
    const std::pair<const char *, void (*)(benchmark::State &)> paths[] = {
        {"baseline", baseline},
        {"arrival", arrival},
        {"getnext", getNext},
        {"registration", registrationScan},
        {"hostdetection", hostDetection},
        {"answer", answerRead},
        {"macros", macroExpansion},
    };
    for (const auto &[name, fn] : paths)
        benchmark::RegisterBenchmark(name, fn)
            ->Arg(1)
            ->Arg(10)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.1)
            ->Repetitions(6);
    benchmark::RegisterBenchmark("sort150", playerSort)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("logwrite", logWrite)->Unit(benchmark::kMillisecond)->MinTime(0.3);
}
