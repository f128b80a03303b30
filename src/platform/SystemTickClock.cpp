#include "platform/SystemTickClock.h"

namespace {
// Boundaries crossed since the clock's zero; floor division, so that a clock
// whose zero lies ahead still counts boundaries, not distances to zero.
std::int64_t Boundaries(std::int64_t ns) {
    const std::int64_t q = ns / SystemTickClock::kTickNs;
    return ns % SystemTickClock::kTickNs < 0 ? q - 1 : q;
}
}  // namespace

SystemTickClock::SystemTickClock(std::int64_t startNs) : lastTick_(Boundaries(startNs)) {}

bool SystemTickClock::Pass(std::int64_t nowNs) {
    const std::int64_t now = Boundaries(nowNs);
    if (now <= lastTick_) return false;
    lastTick_ = now;
    return true;
}
