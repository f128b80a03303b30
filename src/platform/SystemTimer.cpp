#include "platform/SystemTimer.h"

#include <chrono>

namespace {
std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

SystemTimer::SystemTimer(int interval, QObject* parent) : QObject(parent), interval_(interval) {
    pass_.setInterval(0);
    QObject::connect(&pass_, &QTimer::timeout, this, [this] { Pass(); });
}

void SystemTimer::start() {
    clock_.emplace(SteadyNs());
    pass_.start();
}

void SystemTimer::stop() { pass_.stop(); }

void SystemTimer::Pass() {
    if (clock_->Pass(SteadyNs()) && onTimeout) onTimeout();
}
