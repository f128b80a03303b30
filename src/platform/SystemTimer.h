#pragma once
// A timer that ticks as the design's platform delivers a 1 ms timer: on the
// system clock's tick and at most once per pass of the event loop
// (platform/SystemTickClock.h). It looks at the clock from a zero-interval timer,
// which Qt runs once per pass, so no fine-grained system timer is asked for on
// any platform.
#include "platform/SystemTickClock.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class SystemTimer : public QObject {
public:
    // `interval` is what the design asks for, in ms; the system clock's tick
    // decides when the timer really fires.
    SystemTimer(int interval, QObject* parent);

    int interval() const { return interval_; }
    void start();
    void stop();

    // Runs on every tick.
    std::function<void()> onTimeout;

private:
    void Pass();

    int interval_;
    QTimer pass_;
    std::optional<SystemTickClock> clock_;
};
