#include "results.h"
#include "stubs.h"

#include "chat/chatlink.h"
#include "chat/socketwadapi.h"
#include "chat/waits.h"
#include "game/gamestate.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

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

std::string g_roomExe;

void roundTrip(benchmark::State &state)
{
    Room room(g_roomExe);
    Linked linked(room.path());
    const QString line = QStringLiteral("Bo, your word is T -- -- -- R ");
    for (auto _ : state)
        linked.link.SendChat(0, QString(), line);
}

// Two processes, one Unix socket: a frame-sized message there, a status back.
void pingPong(benchmark::State &state)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        char buf[64];
        while (read(fds[1], buf, 48) == 48)
            if (write(fds[1], buf, 9) != 9)
                break;
        _exit(0);
    }
    close(fds[1]);
    char buf[64] = {};
    for (auto _ : state) {
        if (write(fds[0], buf, 48) != 48 || read(fds[0], buf, 9) != 9)
            state.SkipWithError("ping-pong broke");
    }
    close(fds[0]);
    waitpid(child, nullptr, 0);
}

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

void registerRoundTripBenchmarks(const std::string &roomExe)
{
    g_roomExe = roomExe;
    benchmark::RegisterBenchmark("roundtrip", roundTrip)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("pingpong", pingPong)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(3);
}

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
