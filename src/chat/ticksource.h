#pragma once

#include <QTimer>

#include <functional>

// The pacing timer Timer1 behind a small interface, so tests can deliver
// ticks without waiting on real time.
class TickSource
{
public:
    virtual ~TickSource() = default;

    // Ticks are delivered to onTick through the event loop, only while enabled.
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;

    std::function<void()> onTick;
};

// Timer1: one tick every 130 ms while enabled; the first one interval after
// enabling.
class QTimerTickSource final : public TickSource
{
public:
    static constexpr int Timer1Interval = 130;

    explicit QTimerTickSource(int intervalMs = Timer1Interval);

    void setEnabled(bool on) override;
    bool enabled() const override;

private:
    QTimer m_timer;
};
