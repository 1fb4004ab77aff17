#include "irc/ircclock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

class QtTimer final : public IrcClock::Timer
{
public:
    explicit QtTimer(std::function<void()> done)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(done));
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SteadyClock final : public IrcClock
{
public:
    SteadyClock() { m_steady.start(); }
    qint64 now() const override { return m_steady.elapsed(); }
    std::unique_ptr<Timer> timer(std::function<void()> done) override
    {
        return std::make_unique<QtTimer>(std::move(done));
    }

private:
    QElapsedTimer m_steady;
};

} // namespace

IrcClock &IrcClock::system()
{
    static SteadyClock clock;
    return clock;
}
