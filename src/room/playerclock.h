#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// The scripted players' sense of time. Their delays are in a person's
// milliseconds; a clock may run them faster, and tests run them by hand.
class PlayerClock
{
public:
    virtual ~PlayerClock() = default;
    // Runs fn once, ms of the players' milliseconds from now.
    virtual void after(int ms, std::function<void()> fn) = 0;
};

// Real time through the event loop, speed times faster than a person.
class TimerPlayerClock final : public PlayerClock
{
public:
    explicit TimerPlayerClock(double speed = 1.0) : m_speed(speed > 0 ? speed : 1.0) {}

    void after(int ms, std::function<void()> fn) override
    {
        QTimer::singleShot(static_cast<int>(ms / m_speed), Qt::PreciseTimer, &m_context,
                           std::move(fn));
    }

private:
    double m_speed;
    QObject m_context; // pending delays die with the clock
};
