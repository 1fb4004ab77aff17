#include "results.h"
#include "stubs.h"

#include "chat/chatlink.h"
#include "chat/protocol.h"
#include "chat/waits.h"
#include "game/gamestate.h"
#include "transport/frame.h"
#include "transport/socketwadapi.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The stand-in chat client in a folder of its own; what it prints is not read.
class Room
{
public:
    explicit Room(const std::string &exe)
    {
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QString::fromStdString(exe),
                        {QStringLiteral("--socket"), path(), QStringLiteral("--host"),
                         QStringLiteral("Ann Lee"), QStringLiteral("--stay")});
        m_process.waitForStarted(10000);
        for (int i = 0; i < 200 && !QFile::exists(path()); ++i)
            QThread::msleep(10);
    }
    ~Room()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString path() const { return m_dir.filePath(QStringLiteral("w.sock")); }
    qint64 pid() const { return m_process.processId(); }
    // A console line; the room reads it while it runs, so give it a moment.
    void type(const QByteArray &line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(5000);
        QThread::msleep(300);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Passes every call on and counts the requests that say a line.
class CountingClient final : public Wadapi
{
public:
    explicit CountingClient(Wadapi &inner) : m_inner(inner) {}
    int requests = 0;

    qint16 InitDDE(const QString &app, WadapiCallbacks *cb) override
    {
        return m_inner.InitDDE(app, cb);
    }
    void DapiRegister(const QString &app) override { m_inner.DapiRegister(app); }
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        ++requests;
        m_inner.DapiCommunicate(app, mode, target, text);
    }
    void DapiGetAllText(const QString &app) override { m_inner.DapiGetAllText(app); }
    void DapiUnregister(const QString &app) override { m_inner.DapiUnregister(app); }
    void DapiNotice(const QByteArray &key, const QByteArray &value) override
    {
        m_inner.DapiNotice(key, value);
    }
    void DapiGameStatus(const QByteArray &text) override { m_inner.DapiGameStatus(text); }
    void DapiModerate(const QByteArray &action, const QByteArray &name, qint16 minutes,
                      const QByteArray &reason) override
    {
        m_inner.DapiModerate(action, name, minutes, reason);
    }
    void KillDDE() override { m_inner.KillDDE(); }
    bool connected() const override { return m_inner.connected(); }

private:
    Wadapi &m_inner;
};

struct Linked
{
    GameState gs;
    SocketWadapi socket;
    CountingClient client{socket};
    IdleTicks timer1;
    QuietDialogs dialogs;
    ChatLink link{client, timer1, dialogs, [] { return QStringLiteral("orvella"); }};
    explicit Linked(const QString &path) : socket(path) { link.InitDDE(); }
};

// Rounds per batch, batches per group, groups: each group's median batch is
// what the machine gave it, and the quickest group's is the measure, so a
// batch the machine slowed counts for neither side. The two sides take turns
// group by group, so a machine that changes pace meanwhile changes both.
constexpr int Warm = 300, Rounds = 200, Batches = 15, Groups = 5;

// The steady time of a round of each kind, or -1 where a round failed.
std::vector<double> steadyRounds(const std::vector<std::function<bool()>> &kinds)
{
    std::vector<double> best(kinds.size(), std::numeric_limits<double>::infinity());
    for (size_t k = 0; k < kinds.size(); ++k)
        for (int i = 0; i < Warm && best[k] > 0; ++i)
            if (!kinds[k]())
                best[k] = -1;
    QElapsedTimer clock;
    for (int g = 0; g < Groups; ++g) {
        for (size_t k = 0; k < kinds.size(); ++k) {
            if (best[k] < 0)
                continue;
            std::vector<double> batches;
            for (int b = 0; b < Batches && best[k] > 0; ++b) {
                clock.start();
                for (int r = 0; r < Rounds && best[k] > 0; ++r)
                    if (!kinds[k]())
                        best[k] = -1;
                batches.push_back(clock.nsecsElapsed() / 1e9 / Rounds);
            }
            if (best[k] < 0)
                continue;
            std::nth_element(batches.begin(), batches.begin() + Batches / 2, batches.end());
            best[k] = std::min(best[k], batches[Batches / 2]);
        }
    }
    return best;
}

// The raw baseline's far side: another program on a local socket that waits
// for a request as an event loop does, in poll(), and answers with a status.
int pingPongPeer(const QByteArray &path)
{
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (server < 0 || path.size() >= qsizetype(sizeof a.sun_path))
        return 1;
    std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
    if (::bind(server, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(server, 1) != 0)
        return 1;
    std::printf("listening\n");
    std::fflush(stdout);
    const int fd = ::accept(server, nullptr, nullptr);
    char buf[256];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, -1) != 1)
            break;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0 || ::write(fd, buf, 9) != 9)
            break;
    }
    return 0;
}

// The baseline's far side: what a chat client written the plain Qt way costs
// at the least, a QLocalServer in an event loop that decodes each request
// frame and answers with a status frame, written as Qt writes (the event
// loop sends it).
int qtPeer(int argc, char **argv, const QString &path)
{
    QCoreApplication app(argc, argv);
    QLocalServer server;
    if (!server.listen(path))
        return 1;
    const QByteArray status = encodeFrame(Frame::status(statusCode(ClientStatus::Done)));
    FrameDecoder decoder;
    QObject::connect(&server, &QLocalServer::newConnection, &app, [&] {
        QLocalSocket *socket = server.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
            decoder.feed(socket->readAll());
            while (const std::optional<Frame> frame = decoder.next())
                if (sentByProgram(frame->op))
                    socket->write(status);
            if (decoder.failed())
                app.exit(1);
        });
        QObject::connect(socket, &QLocalSocket::disconnected, &app, &QCoreApplication::quit);
    });
    std::printf("listening\n");
    std::fflush(stdout);
    return app.exec();
}

// A far side that is this suite run with an argument, listening once it
// says so.
bool startPeer(QProcess &peer, const std::string &selfExe, const QString &argument)
{
    peer.start(QString::fromStdString(selfExe), {argument});
    return peer.waitForReadyRead(10000);
}

// A raw client's descriptor connected to the socket at path, or -1.
int connectTo(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray where = QFile::encodeName(path);
    if (fd < 0)
        return -1;
    if (where.size() >= qsizetype(sizeof a.sun_path))
        return ::close(fd), -1;
    std::memcpy(a.sun_path, where.constData(), size_t(where.size()));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One request written on fd and an answer of size bytes read back.
bool exchange(int fd, const QByteArray &request, qsizetype size)
{
    char answer[64];
    if (::write(fd, request.constData(), size_t(request.size())) != request.size())
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 5000) == 1 && ::read(fd, answer, size_t(size)) == size;
}

// The first two processors of a set.
std::vector<int> firstTwo(const cpu_set_t &set)
{
    std::vector<int> out;
    for (int cpu = 0; cpu < CPU_SETSIZE && out.size() < 2; ++cpu)
        if (CPU_ISSET(cpu, &set))
            out.push_back(cpu);
    return out;
}

// Keeps a process (0: this thread) on one processor.
bool pin(qint64 pid, int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return sched_setaffinity(pid_t(pid), sizeof set, &set) == 0;
}

} // namespace

// Both ends as the program and the room have them: a process started the
// same way on a socket at a path, a request of a frame's size, a status back.
// Left to the scheduler, where the two processes of a pair run decides the
// time more than what they do: on an idle virtual machine a wake-up on the
// other processor costs tens of microseconds, and whether a pair is kept on
// one processor flips with how long each side runs, so the ratio swung from
// 2 to 7 between runs. Both pairs are therefore placed alike, once on two
// processors and once on one.
std::vector<RoundTrips> measureRoundTrips(const std::string &roomExe, const std::string &selfExe)
{
    std::vector<RoundTrips> out;
    Room room(roomExe);
    Linked linked(room.path());
    const QString line = QStringLiteral("Bo, your word is T -- -- -- R ");
    QTemporaryDir dir;
    const QString rawPath = dir.filePath(QStringLiteral("p.sock"));
    const QString qtPath = dir.filePath(QStringLiteral("q.sock"));
    QProcess peer, qt;
    if (!startPeer(peer, selfExe, QStringLiteral("--pingpong-peer=") + rawPath) ||
        !startPeer(qt, selfExe, QStringLiteral("--qt-peer=") + qtPath))
        return out;
    const int fd = connectTo(rawPath), qtFd = connectTo(qtPath);
    cpu_set_t mine;
    const bool pinnable = sched_getaffinity(0, sizeof mine, &mine) == 0;
    const std::vector<int> cpus = pinnable ? firstTwo(mine) : std::vector<int>{};
    if (fd >= 0 && qtFd >= 0) {
        const QByteArray request =
            encodeFrame(Frame::communicate("orvella", 0, {}, line.toLatin1()));
        const qsizetype statusSize =
            encodeFrame(Frame::status(statusCode(ClientStatus::Done))).size();
        const std::function<bool()> kinds[] = {
            [&] {
                linked.link.SendChat(0, QString(), line);
                return linked.socket.connected();
            },
            [&] { return exchange(qtFd, request, statusSize); },
            [&] { return exchange(fd, request, 9); },
        };
        for (const bool apart : {true, false}) {
            RoundTrips t;
            t.placement = apart ? "on two processors" : "on one processor";
            if (cpus.size() < (apart ? 2u : 1u)) {
                t.unmeasured = "not measured: only one processor to run on";
            } else if (const int far = apart ? cpus[1] : cpus[0];
                       !pin(0, cpus[0]) || !pin(room.pid(), far) || !pin(qt.processId(), far) ||
                       !pin(peer.processId(), far)) {
                t.unmeasured = "not measured: the processes could not be pinned";
            } else {
                const std::vector<double> best = steadyRounds({kinds[0], kinds[1], kinds[2]});
                t.roundTrip = best[0];
                t.qtPeer = best[1];
                t.pingPong = best[2];
            }
            out.push_back(t);
        }
    }
    if (pinnable)
        sched_setaffinity(0, sizeof mine, &mine);
    for (const int f : {fd, qtFd})
        if (f >= 0)
            ::close(f);
    for (QProcess *p : {&peer, &qt}) {
        p->kill();
        p->waitForFinished(5000);
    }
    return out;
}

int runPingPongPeer(const char *path)
{
    return pingPongPeer(QByteArray(path));
}

int runQtPeer(int argc, char **argv, const char *path)
{
    return qtPeer(argc, argv, QString::fromLocal8Bit(path));
}

namespace {

// Counts its repaints; a close ends the link's waits as the main window does.
class Window final : public QWidget
{
public:
    int paints = 0;
    std::function<void()> onClose;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
    void closeEvent(QCloseEvent *event) override
    {
        if (onClose)
            onClose();
        event->accept();
    }
};

} // namespace

EndlessAnswer measureEndlessAnswer(const std::string &roomExe, const std::string &status)
{
    EndlessAnswer out;
    out.status = status;
    Room room(roomExe);

    auto run = [&](int closeAfterMs) {
        Linked linked(room.path());
        // After the link is up: the room would answer its opening with it.
        room.type("/status " + QByteArray::fromStdString(status) + " 1000000");
        Window window;
        window.resize(200, 100);
        window.show();
        QTimer repaint;
        QObject::connect(&repaint, &QTimer::timeout, &window, [&] { window.update(); });
        repaint.start(20);
        QElapsedTimer clock, sinceClose;
        window.onClose = [&] {
            sinceClose.start();
            linked.link.Shutdown();
            Waits::abandonAll();
        };
        if (closeAfterMs > 0)
            QTimer::singleShot(closeAfterMs, &window, [&] { window.close(); });
        clock.start();
        const int paintsBefore = window.paints;
        try {
            linked.link.SendChat(0, QString(), QStringLiteral("hello"));
        } catch (const LinkDown &) {
        } catch (const WaitAbandoned &) {
        }
        if (closeAfterMs > 0) {
            out.closeSeconds = sinceClose.isValid() ? sinceClose.nsecsElapsed() / 1e9 : -1;
        } else {
            out.seconds = clock.nsecsElapsed() / 1e9;
            out.requests = linked.client.requests;
            out.repaints = window.paints - paintsBefore;
        }
        Waits::resetAbandoned();
        room.type("/clear");
    };
    run(0);
    run(1000);
    return out;
}
