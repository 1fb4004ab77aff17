#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// The IRC parts' sense of time: the time now, and waits that call a
// function when they are over. The program runs on the steady clock and
// Qt's timers; tests move a clock of their own by hand.
class IrcClock
{
public:
    // One wait at a time: starting it again moves its end.
    class Timer
    {
    public:
        virtual ~Timer() = default;
        virtual void start(int ms) = 0;
        virtual void stop() = 0;
        virtual bool isActive() const = 0;
    };

    virtual ~IrcClock() = default;
    // Milliseconds from any fixed start.
    virtual qint64 now() const = 0;
    // A stopped wait that calls done each time it is over; a wait that dies
    // never calls it.
    virtual std::unique_ptr<Timer> timer(std::function<void()> done) = 0;

    // The steady clock and Qt's timers.
    static IrcClock &system();
};
