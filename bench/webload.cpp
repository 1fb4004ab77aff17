// 150 people from the web page in one room beside as many on the people socket:
// the host's line reaches each, and how long it takes is reported for both,
// the people socket being the baseline. Then the program's game status, near
// its caps, reaches each web page, and how long that takes. Then the room's
// CPU while quiet and its memory as the web people join. Last, the host's
// lines to the same pages while one address floods the room at the highest
// rate the room allows (webflood.h).
// The pages come from many loopback addresses, a few from each, as people
// come from many addresses; the room holds every address to its limits.
//   orvella-webload ROOM_EXE [PEOPLE]

#include "chat/gamestatus.h"
#include "room/peopleserver.h"
#include "webflood.h"
#include "webpage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// Pages from one address, well inside the room's limits on an address
// (connections at once, a burst of joins).
constexpr int PagesPerAddress = 5;
// The one that floods the room.
const QHostAddress FloodAddress(QStringLiteral("127.0.0.200"));
// Under attack the host's lines go out one in this long at most, so the
// flood's bursts and its steady rates both meet them.
constexpr int AttackLineMs = 250;

// The address of page i: 127.0.0.2 and on, PagesPerAddress each, never the flooder's.
QHostAddress pageAddress(int i)
{
    quint32 address =
        QHostAddress(QHostAddress::LocalHost).toIPv4Address() + 1 + quint32(i / PagesPerAddress);
    if (address >= FloodAddress.toIPv4Address())
        ++address;
    return QHostAddress(address);
}

// Waits on events until done() or ms passed.
bool waitFor(const std::function<bool()> &done, int ms = 20000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(ms);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// One person's view: the numbers of the host's lines that start with lead,
// in the order they came.
struct Listener
{
    QString lead = QStringLiteral("Ann Lee: ping ");
    std::vector<int> got;
    std::vector<qint64> at; // ns since the clock's start
    void heard(const QString &line, const QElapsedTimer &clock)
    {
        if (line.startsWith(lead)) {
            got.push_back(line.mid(lead.size()).toInt());
            at.push_back(clock.nsecsElapsed());
        }
    }
};

// A frame of the chat-client protocol: its length, the op, each field with
// its length, all big-endian.
QByteArray frame(char op, const QList<QByteArray> &fields)
{
    const auto be32 = [](qsizetype n) {
        QByteArray b(4, '\0');
        qToBigEndian(quint32(n), b.data());
        return b;
    };
    QByteArray payload(1, op);
    for (const QByteArray &f : fields)
        payload += be32(f.size()) + f;
    return be32(payload.size()) + payload;
}

// A status as long as the caps let it be; n tells one from the next.
GameStatus bigStatus(int n)
{
    GameStatus s{GameStatus::Phase::Playing, 7, 10, QString(60, u'-'), {}, 3, n, 60, {}, {}};
    for (int i = 0; i < GameStatusCap::Called; ++i)
        s.called << QStringLiteral("Player %1 with a long name").arg(i);
    for (int i = 0; i < GameStatusCap::Leaders; ++i)
        s.leaders << GameStatus::Leader{QStringLiteral("Leader %1 with a long name").arg(i), 9 - i};
    return s;
}

qint64 statusField(qint64 pid, const char *field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QList<QByteArray> parts = f.readAll().split(')').last().split(' ');
    // utime and stime are fields 14 and 15; after ") " the first is field 3.
    return (parts.value(12).toDouble() + parts.value(13).toDouble()) / ::sysconf(_SC_CLK_TCK);
}

struct Stats
{
    double p50 = 0, p99 = 0;
    int lost = 0, disordered = 0;
};

Stats stats(const std::vector<Listener *> &people, const std::vector<qint64> &sent, int lines)
{
    std::vector<double> ms;
    Stats s;
    for (const Listener *p : people) {
        s.lost += lines - int(p->got.size());
        if (!std::is_sorted(p->got.begin(), p->got.end()))
            ++s.disordered;
        for (size_t i = 0; i < p->got.size(); ++i)
            ms.push_back((p->at[i] - sent[p->got[i]]) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
        s.p50 = ms[ms.size() / 2];
        s.p99 = ms[std::min(ms.size() - 1, size_t(ms.size() * 0.99))];
    }
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvella-webload ROOM_EXE [PEOPLE]\n");
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 150;
    const int lines = 30;
    // The baseline has as many people as the people socket takes.
    const int terms = std::min(count, PeopleServer::MaxPeople);
    QTemporaryDir dir;
    QProcess room;
    room.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    room.start(QString::fromLocal8Bit(argv[1]),
               {QStringLiteral("--socket"), dir.filePath(QStringLiteral("w.sock")),
                QStringLiteral("--host"), QStringLiteral("Ann Lee"), QStringLiteral("--web"),
                QStringLiteral("0"), QStringLiteral("--code"), QStringLiteral("KTZRW"),
                QStringLiteral("--stay")});
    QByteArray banner;
    if (!waitFor([&] {
            banner += room.readAllStandardOutput();
            return banner.contains("with the room code");
        })) {
        std::fprintf(stderr, "the room did not start\n");
        return 1;
    }
    const int portAt = banner.indexOf("127.0.0.1:") + 10;
    const quint16 port = banner.mid(portAt, banner.indexOf('/', portAt) - portAt).toUShort();
    // The console's lines are not read from here on; the room must not block on them.
    room.setStandardOutputFile(QProcess::nullDevice());
    const qint64 pid = room.processId();

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<Listener>> web(count), term(terms), statuses(count),
        attacked(count);
    std::vector<std::unique_ptr<WebPage>> pages;
    std::vector<std::unique_ptr<QLocalSocket>> locals;
    int welcomed = 0;
    const qint64 rssBefore = statusField(pid, "VmRSS:");
    // The first person also brings in what serving anyone takes; the growth
    // is measured from there.
    qint64 rssOne = 0, rssHalf = 0;
    for (int i = 0; i < count; ++i) {
        web[i] = std::make_unique<Listener>();
        statuses[i] = std::make_unique<Listener>();
        attacked[i] = std::make_unique<Listener>();
        attacked[i]->lead = QStringLiteral("Ann Lee: under attack ");
        auto page = std::make_unique<WebPage>(pageAddress(i));
        WebPage *raw = page.get();
        Listener *l = web[i].get(), *ls = statuses[i].get(), *la = attacked[i].get();
        QObject::connect(raw, &WebPage::opened, [raw, i] {
            raw->sendText("{\"type\":\"join\",\"name\":\"Web" + QByteArray::number(i) +
                          "\",\"code\":\"KTZRW\"}");
        });
        QObject::connect(raw, &WebPage::textReceived, [&, l, ls, la](const QByteArray &m) {
            // The flood's lines and notices are not read: the time taken
            // here is the room's, not this reader's.
            if (!m.contains("Ann Lee: ") && !m.contains("\"welcome\"") && !m.contains("\"status\""))
                return;
            const QJsonObject o = QJsonDocument::fromJson(m).object();
            const QString type = o.value(u"type").toString();
            if (type == u"welcome")
                ++welcomed;
            if (type == u"status") {
                ls->got.push_back(o.value(u"seconds").toInt());
                ls->at.push_back(clock.nsecsElapsed());
            }
            const QString text = o.value(u"text").toString();
            l->heard(text, clock);
            la->heard(text, clock);
        });
        raw->open(port);
        pages.push_back(std::move(page));
        if (i == 0) {
            waitFor([&] { return welcomed == 1; });
            rssOne = statusField(pid, "VmRSS:");
        }
        if (i == count / 2 - 1) {
            waitFor([&] { return welcomed == count / 2; });
            rssHalf = statusField(pid, "VmRSS:");
        }
    }
    if (!waitFor([&] { return welcomed == count; })) {
        std::fprintf(stderr, "only %d of %d web people got in\n", welcomed, count);
        return 1;
    }
    const qint64 rssFull = statusField(pid, "VmRSS:");
    for (int i = 0; i < terms; ++i) {
        term[i] = std::make_unique<Listener>();
        auto s = std::make_unique<QLocalSocket>();
        QLocalSocket *raw = s.get();
        Listener *l = term[i].get();
        auto pending = std::make_shared<QByteArray>();
        QObject::connect(raw, &QLocalSocket::readyRead, [&, raw, l, pending] {
            *pending += raw->readAll();
            for (qsizetype lf; (lf = pending->indexOf('\n')) >= 0; pending->remove(0, lf + 1))
                l->heard(QString::fromUtf8(pending->left(lf)), clock);
        });
        raw->connectToServer(dir.filePath(QStringLiteral("orvella-room.sock")));
        raw->waitForConnected(5000);
        raw->write("Term" + QByteArray::number(i) + '\n');
        locals.push_back(std::move(s));
    }
    // Everyone in: the terminal people's own arrival lines have come.
    waitFor([&] { return false; }, 1000);

    const auto allHave = [](const auto &group, int n) {
        return std::ranges::all_of(
            group, [&](const auto &l) { return !l->got.empty() && l->got.back() == n; });
    };
    std::vector<qint64> sent(lines);
    for (int n = 0; n < lines; ++n) {
        sent[n] = clock.nsecsElapsed();
        room.write("Ann Lee: ping " + QByteArray::number(n) + '\n');
        waitFor([&] { return allHave(web, n) && allHave(term, n); }, 5000);
    }
    std::vector<Listener *> w, t;
    for (const auto &l : web)
        w.push_back(l.get());
    for (const auto &l : term)
        t.push_back(l.get());
    const Stats ws = stats(w, sent, lines), ts = stats(t, sent, lines);

    // The program links up and sends a status a step, as a game does.
    QLocalSocket program;
    QByteArray fromRoom;
    QObject::connect(&program, &QLocalSocket::readyRead, [&] { fromRoom += program.readAll(); });
    program.connectToServer(dir.filePath(QStringLiteral("w.sock")));
    program.write(frame('I', {"orvella"}));
    if (!waitFor([&] { return fromRoom.contains(frame('S', {"0"})); }, 5000)) {
        std::fprintf(stderr, "the program did not link up\n");
        return 1;
    }
    std::vector<qint64> statusSent(lines);
    std::vector<Listener *> st;
    for (const auto &l : statuses)
        st.push_back(l.get());
    for (int n = 0; n < lines; ++n) {
        statusSent[n] = clock.nsecsElapsed();
        program.write(frame('P', {encodeGameStatus(bigStatus(n))}));
        waitFor(
            [&] {
                return std::ranges::all_of(
                    st, [&](const Listener *l) { return !l->got.empty() && l->got.back() == n; });
            },
            5000);
    }
    const Stats ss = stats(st, statusSent, lines);

    const double cpu0 = cpuSeconds(pid);
    waitFor([] { return false; }, 3000);
    const double quietCpu = (cpuSeconds(pid) - cpu0) / 3.0 * 100;

    // Under attack: one address floods the room at the highest rate it
    // allows, everything at once, while the host's lines go out to the pages.
    // Its people spend their bursts as they get in, so the first host line
    // meets them all.
    WebFlood flood(FloodAddress, port, QStringLiteral("KTZRW"));
    const double attackCpu0 = cpuSeconds(pid);
    const qint64 attackStart = clock.nsecsElapsed();
    flood.start();
    if (!waitFor([&] { return flood.ready(); }, 5000))
        std::fprintf(stderr, "not all the flooder's people got in\n");
    std::vector<qint64> attackSent(lines);
    for (int n = 0; n < lines; ++n) {
        attackSent[n] = clock.nsecsElapsed();
        room.write("Ann Lee: under attack " + QByteArray::number(n) + '\n');
        waitFor([&] { return allHave(attacked, n); }, 5000);
        const qint64 left = AttackLineMs - (clock.nsecsElapsed() - attackSent[n]) / 1000000;
        if (left > 0)
            waitFor([] { return false; }, int(left));
    }
    const double attackSeconds = (clock.nsecsElapsed() - attackStart) / 1e9;
    const double attackCpu = (cpuSeconds(pid) - attackCpu0) / attackSeconds * 100;
    flood.stop();
    waitFor([] { return false; }, 500);
    std::vector<Listener *> a;
    for (const auto &l : attacked)
        a.push_back(l.get());
    const Stats as = stats(a, attackSent, lines);

    std::printf("webload: %d web people and %d on the people socket, %d host lines each\n", count,
                terms, lines);
    std::printf("  web:            median %.2f ms, p99 %.2f ms, lost %d, out of order %d\n", ws.p50,
                ws.p99, ws.lost, ws.disordered);
    std::printf("  status to web:  median %.2f ms, p99 %.2f ms, lost %d, out of order %d\n", ss.p50,
                ss.p99, ss.lost, ss.disordered);
    std::printf("  people socket:  median %.2f ms, p99 %.2f ms, lost %d, out of order %d\n", ts.p50,
                ts.p99, ts.lost, ts.disordered);
    const int half = count / 2;
    std::printf("  room quiet: %.1f %% CPU; memory %lld kB empty, %lld kB with one web person, "
                "then %.1f kB a person up to %d and %.1f kB a person from there to %d\n",
                quietCpu, rssBefore, rssOne, double(rssHalf - rssOne) / std::max(1, half - 1), half,
                double(rssFull - rssHalf) / std::max(1, count - half), count);
    std::printf("  under attack:   median %.2f ms, p99 %.2f ms, lost %d, out of order %d\n", as.p50,
                as.p99, as.lost, as.disordered);
    std::printf("  room under attack: %.1f %% CPU over %.1f s, a host line every %d ms\n",
                attackCpu, attackSeconds, AttackLineMs);
    for (const QString &line : flood.report())
        std::printf("  %s\n", qPrintable(line));
    bool met = true;
    const auto budget = [&](bool ok, const char *what) {
        std::printf("  %s: %s\n", ok ? "met" : "MISSED", what);
        met = met && ok;
    };
    budget(ws.p99 < 100, "web p99 under 100 ms");
    budget(ss.p99 < 100, "status to web p99 under 100 ms");
    budget(ss.lost + ss.disordered == 0, "no status lost or out of order");
    budget(ws.lost + ws.disordered + ts.lost + ts.disordered == 0, "no line lost or out of order");
    budget(quietCpu < 1, "the quiet room under 1 % CPU");
    budget(as.p99 < 100 && as.lost + as.disordered == 0,
           "under attack: web p99 under 100 ms and nothing lost or out of order");
    room.kill();
    room.waitForFinished(5000);
    return met ? 0 : 1;
}
