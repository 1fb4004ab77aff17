// Start-up to the window's first frame, and resident memory then: the program as
// its main() builds it against a bare Qt window, each started afresh several
// times; prints the medians and one line per budget.
//
//   orvella-startup compare [RUNS]   (needs a chat client listening)
//   orvella-startup bare | orvella   (one start; prints "shown RSS_KB")

#include "app/fontsetupahead.h"
#include "app/runprogram.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>

#include <algorithm>
#include <cstdio>
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

int startOnce(int argc, char **argv, bool bare)
{
    std::optional<FontSetupAhead> fonts;
    if (!bare)
        fonts.emplace();
    QApplication app(argc, argv);
    FirstFrame watcher;
    app.installEventFilter(&watcher);
    if (bare) {
        QMainWindow window;
        window.resize(300, 640);
        window.show();
        return QApplication::exec();
    }
    return runProgram();
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
    std::vector<double> bareMs, mineMs;
    std::vector<long> bareKb, mineKb;
    for (int i = 0; i < runs; ++i) {
        for (bool bare : {true, false}) {
            const Start s = timeStart(self, bare ? "bare" : "orvella");
            if (s.ms < 0) {
                std::printf("the %s start did not show a window\n", bare ? "bare" : "program's");
                return 2;
            }
            (bare ? bareMs : mineMs).push_back(s.ms);
            (bare ? bareKb : mineKb).push_back(s.kb);
        }
    }
    const double tb = median(bareMs), tm = median(mineMs);
    const long kb = median(bareKb), km = median(mineKb);
    std::printf("\n%-12s %12s %12s\n", "start-up", "to shown ms", "resident KB");
    std::printf("%-12s %12.1f %12ld\n", "bare window", tb, kb);
    std::printf("%-12s %12.1f %12ld\n", "orvella", tm, km);
    std::printf("%-12s %12.2f %12.2f\n", "ratio", tm / tb, double(km) / kb);
    std::printf("\nBudgets\n");
    const bool timeMet = tm <= 1.2 * tb, memMet = km <= 1.2 * kb;
    std::printf("%-6s start-up to the window shown within 1.2 times a bare Qt window's (%.2f)\n",
                timeMet ? "met" : "MISSED", tm / tb);
    std::printf("%-6s resident memory within 1.2 times (%.2f)\n", memMet ? "met" : "MISSED",
                double(km) / kb);
    return timeMet && memMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("compare");
    if (mode == "bare" || mode == "orvella")
        return startOnce(argc, argv, mode == "bare");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    QCoreApplication app(argc, argv);
    return compare(QCoreApplication::applicationFilePath(), runs);
}
