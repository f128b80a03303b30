#pragma once
// When a 1 ms timer ticks on the platform the program was designed for. Windows
// raises such an interval to its minimum and checks timers on the system clock's
// tick, every 15.625 ms; it posts a timer's message only when the queue is
// otherwise empty, and never a second one while the first waits. So the timer
// ticks at most 64 times a second and at most once per pass of the message
// loop: faster frames share a tick, slower frames get one each, and a stall is
// followed by a single tick, not a burst that catches up.
#include <cstdint>

class SystemTickClock {
public:
    // The system clock's tick: 1/64 s.
    static constexpr std::int64_t kTickNs = 15'625'000;

    // `startNs` is when the timer was started, on the same steady clock as the
    // passes that follow.
    explicit SystemTickClock(std::int64_t startNs);

    // Called once per pass of the loop, with the time of the pass: whether the
    // timer ticks in it. It ticks when a tick boundary of the clock lies between
    // the previous tick (or the start) and now. The boundaries are the clock's
    // own, so late passes do not push later ticks back.
    bool Pass(std::int64_t nowNs);

private:
    std::int64_t lastTick_;  // the boundary count at the previous tick
};
