// Start-up to the window's first frame, and resident memory then: the program as
// its main() builds it, each started afresh several times, its time and its
// memory against a bare window holding one label, since drawing any text
// costs what the empty window never pays (the font set-up, FreeType,
// HarfBuzz, a font file). Prints the medians, the empty window's time and
// memory for reference, and one line per budget.
//
//   orvella-startup compare [RUNS]           (needs a chat client listening)
//   orvella-startup bare | label | orvella   (one start; prints "shown RSS_KB")

#include "app/fontsetupahead.h"
#include "app/runprogram.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Reports when the window's first frame is whole and ends the process there.
// The first paint event comes before a window's children are painted (an
// opaque child keeps its area out of the window's own background), so the
// report waits until the paint that event belongs to has finished.
class FirstFrame final : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && !m_painting) {
            m_painting = true;
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("shown %ld\n", residentKb());
                    std::fflush(stdout);
                    _exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_painting = false;
};

enum class Kind
{
    Bare,
    Label,
    Program
};
const char *const KindNames[] = {"bare", "label", "orvella"};
constexpr int Kinds = int(std::size(KindNames));

int startOnce(int argc, char **argv, Kind kind)
{
    std::optional<FontSetupAhead> fonts;
    if (kind == Kind::Program)
        fonts.emplace();
    QApplication app(argc, argv);
    FirstFrame watcher;
    app.installEventFilter(&watcher);
    if (kind == Kind::Program)
        return runProgram();
    QMainWindow window;
    window.resize(300, 640);
    if (kind == Kind::Label)
        window.setCentralWidget(new QLabel(QStringLiteral("Word 1 of 10")));
    window.show();
    return QApplication::exec();
}

struct Start
{
    double ms = -1;
    long kb = -1;
};

Start timeStart(const QString &self, const char *mode)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(self, {QString::fromLatin1(mode)});
    child.waitForFinished(20000);
    const QByteArray out = child.readAllStandardOutput();
    Start s;
    if (out.startsWith("shown ")) {
        s.ms = clock.nsecsElapsed() / 1e6;
        s.kb = out.mid(6).trimmed().toLong();
    }
    return s;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int compare(const QString &self, int runs)
{
    std::vector<double> ms[Kinds];
    std::vector<long> kbs[Kinds];
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < Kinds; ++k) {
            const Start s = timeStart(self, KindNames[k]);
            if (s.ms < 0) {
                std::printf("the %s start did not show a window\n", KindNames[k]);
                return 2;
            }
            ms[k].push_back(s.ms);
            kbs[k].push_back(s.kb);
        }
    }
    const double tb = median(ms[0]), tl = median(ms[1]), tm = median(ms[2]);
    const long kb = median(kbs[0]), kl = median(kbs[1]), km = median(kbs[2]);
    // Time and memory beside the label's; the bare window's ratios show what
    // the label's text costs, and are not judged.
    std::printf("\n%-14s %12s %12s %10s %10s %10s\n", "start-up", "to shown ms", "resident KB",
                "time/label", "mem/label", "time/bare");
    std::printf("%-14s %12.1f %12ld %10.2f %10.2f\n", "bare window", tb, kb, tb / tl,
                double(kb) / kl);
    std::printf("%-14s %12.1f %12ld %10s %10s %10.2f\n", "one label", tl, kl, "", "", tl / tb);
    std::printf("%-14s %12.1f %12ld %10.2f %10.2f %10.2f\n", "orvella", tm, km, tm / tl,
                double(km) / kl, tm / tb);
    std::printf("\nBudgets\n");
    const bool timeMet = tm <= 1.15 * tl, memMet = km <= 1.15 * kl;
    std::printf("%-6s start-up to the window shown within 1.15 times that of a bare window "
                "holding one label (%.2f)\n",
                timeMet ? "met" : "MISSED", tm / tl);
    std::printf("%-6s resident memory within 1.15 times that of a bare window holding one "
                "label (%.2f)\n",
                memMet ? "met" : "MISSED", double(km) / kl);
    std::printf("       start-up against the empty bare window: %.2f times its %.1f ms, "
                "no budget\n",
                tm / tb, tb);
    return timeMet && memMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("compare");
    for (int k = 0; k < Kinds; ++k)
        if (mode == KindNames[k])
            return startOnce(argc, argv, Kind(k));
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 15;
    QCoreApplication app(argc, argv);
    return compare(QCoreApplication::applicationFilePath(), runs);
}
