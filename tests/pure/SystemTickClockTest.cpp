// When the 1 ms timer ticks, given the times of the loop's passes: on the system
// clock's 1/64 s boundaries, at most once per pass, never in a burst.
#include "platform/SystemTickClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
constexpr std::int64_t kMs = 1'000'000;

// The passes that tick, by their index, for passes at the given times.
std::vector<int> TickingPasses(std::int64_t start, const std::vector<std::int64_t>& passes) {
    SystemTickClock clock(start);
    std::vector<int> ticked;
    for (int i = 0; i < static_cast<int>(passes.size()); ++i)
        if (clock.Pass(passes[i])) ticked.push_back(i);
    return ticked;
}
std::vector<std::int64_t> Evenly(std::int64_t first, std::int64_t step, int count) {
    std::vector<std::int64_t> t;
    for (int i = 0; i < count; ++i) t.push_back(first + i * step);
    return t;
}
}  // namespace

TEST(SystemTickClockTest, FastPassesShareTheClocksSixtyFourTicksASecond) {
    // A pass every millisecond for a second: the first pass after each boundary
    // ticks, 15.625 ms apart on average.
    const std::vector<std::int64_t> passes = Evenly(1 * kMs, kMs, 1000);
    const std::vector<int> ticks = TickingPasses(0, passes);
    ASSERT_EQ(ticks.size(), 64u);
    for (int k = 1; k <= 64; ++k) {
        const std::int64_t boundary = k * SystemTickClock::kTickNs;
        const std::int64_t at = passes[static_cast<size_t>(ticks[static_cast<size_t>(k - 1)])];
        EXPECT_GE(at, boundary) << "tick " << k;
        EXPECT_LT(at - boundary, kMs) << "tick " << k;
    }

    // Passes every 10 ms: still one tick per boundary. Counting 15.625 ms from
    // each late tick instead would tick every 20 ms, 50 a second.
    EXPECT_EQ(TickingPasses(0, Evenly(10 * kMs, 10 * kMs, 1000)).size(), 640u);

    // Started between two boundaries, the timer ticks at the next boundary of the
    // clock, not a whole tick after its start.
    const std::vector<int> late = TickingPasses(10 * kMs, Evenly(11 * kMs, kMs, 10));
    ASSERT_FALSE(late.empty());
    EXPECT_EQ(late.front(), 5);  // the pass at 16 ms
}

TEST(SystemTickClockTest, SlowPassesAndStallsTickOncePerPass) {
    // Frames of 40 ms: each crosses two or three boundaries and ticks once.
    const std::vector<std::int64_t> slow = Evenly(40 * kMs, 40 * kMs, 50);
    EXPECT_EQ(TickingPasses(0, slow).size(), slow.size());

    // A stall of half a second between fast passes ticks once, then the ticks go
    // on at the clock's boundaries without catching up.
    std::vector<std::int64_t> passes = Evenly(1 * kMs, kMs, 20);  // up to 20 ms
    passes.push_back(520 * kMs);
    for (std::int64_t t = 521 * kMs; t < 560 * kMs; t += kMs) passes.push_back(t);
    const std::vector<int> ticks = TickingPasses(0, passes);
    // 15.625 ms, then the stalled pass, then 531.25 and 546.875 ms.
    ASSERT_EQ(ticks.size(), 4u);
    EXPECT_EQ(passes[static_cast<size_t>(ticks[0])], 16 * kMs);
    EXPECT_EQ(passes[static_cast<size_t>(ticks[1])], 520 * kMs);
    EXPECT_EQ(passes[static_cast<size_t>(ticks[2])], 532 * kMs);
    EXPECT_EQ(passes[static_cast<size_t>(ticks[3])], 547 * kMs);

    // Two passes at the same moment, or a clock that stands still: one tick.
    EXPECT_EQ(TickingPasses(0, {20 * kMs, 20 * kMs, 20 * kMs}).size(), 1u);
}
