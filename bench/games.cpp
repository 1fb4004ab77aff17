// A game night in one process: the demo driver plays many whole games in a
// row at its fastest against the stand-in room, each in a new main window,
// and tells the process's resident memory and open descriptors at the end
// of each. What a game leaves behind shows as growth from an early game
// (the caches and the store of results are warm by then) to the last.
//
//   orvella-games DEMO_EXE [GAMES]

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

namespace {

// Readings before this game still include what the first games set up once.
constexpr int WarmGame = 5;
constexpr int Games = 50;

struct Reading
{
    long kb = -1;
    long descriptors = -1;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvella-games DEMO_EXE [GAMES]\n");
        return 2;
    }
    const int games = argc > 2 ? std::max(WarmGame + 1, atoi(argv[2])) : Games;
    // The demo keeps its folder to look at; here it goes with this one.
    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), scratch.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess demo;
    demo.setProcessEnvironment(env);
    // The offscreen window system's complaints are no reading.
    demo.setStandardErrorFile(QProcess::nullDevice());
    demo.start(QString::fromLocal8Bit(argv[1]),
               {QStringLiteral("--games"), QString::number(games), QStringLiteral("--speed"),
                QStringLiteral("1000")});
    const bool ended = demo.waitForFinished(games * 60000);
    if (!ended)
        demo.kill();
    demo.waitForFinished();

    static const QRegularExpression over(
        QStringLiteral("Game (\\d+) of \\d+ is over: (\\d+) kB resident, (\\d+) open descriptors"));
    std::map<int, Reading> at;
    QByteArray stopped;
    for (const QByteArray &line : demo.readAllStandardOutput().split('\n')) {
        const QRegularExpressionMatch m = over.match(QString::fromUtf8(line));
        if (m.hasMatch())
            at[m.captured(1).toInt()] = {m.captured(2).toLong(), m.captured(3).toLong()};
        if (line.contains("The demo stops: "))
            stopped = line;
    }
    const size_t told = at.size();
    const Reading warm = at[WarmGame], last = at[games];
    std::printf("\n%-24s %12s %12s\n", "games in one process", "resident KB", "descriptors");
    for (const int g : {1, WarmGame, games / 2, games})
        std::printf("after game %-13d %12ld %12ld\n", g, at[g].kb, at[g].descriptors);

    std::printf("\nBudgets\n");
    const bool played = ended && demo.exitCode() == 0 && warm.kb > 0 && last.kb > 0;
    if (!stopped.isEmpty())
        std::printf("%s\n", stopped.constData());
    const double growth = played ? 100.0 * (last.kb - warm.kb) / warm.kb : 0;
    char memDetail[160], fdDetail[160];
    if (played) {
        std::snprintf(memDetail, sizeof memDetail, "%ld KB to %ld KB, %+.1f %%", warm.kb, last.kb,
                      growth);
        std::snprintf(fdDetail, sizeof fdDetail, "%ld and %ld", warm.descriptors, last.descriptors);
    } else {
        std::snprintf(memDetail, sizeof memDetail, "the demo %s after %zu games, exit status %d",
                      ended ? "ended" : "was stopped", told, demo.exitCode());
        std::snprintf(fdDetail, sizeof fdDetail, "%s", memDetail);
    }
    const bool memMet = played && growth < 10;
    const bool fdMet = played && warm.descriptors == last.descriptors;
    std::printf("%-6s resident memory grows under 10 %% from game %d to game %d (%s)\n",
                memMet ? "met" : "MISSED", WarmGame, games, memDetail);
    std::printf("%-6s open descriptors after game %d equal those after game %d (%s)\n",
                fdMet ? "met" : "MISSED", games, WarmGame, fdDetail);
    return memMet && fdMet ? 0 : 1;
}
