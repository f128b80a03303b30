// The animation accumulators over a long run: the step a tick makes stays 0.01
// however many ticks have passed, and the first period runs as the plain sum.
#include "interaction/AnimationStep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

TEST(AnimationStepTest, EveryTickStepsByTheSameAmountForever) {
    // Enough ticks for an unwrapped float to reach 262144, where 0.01 rounds away.
    constexpr int kTicks = 26300000;
    for (const double period : {kSpinPeriod, kPhasePeriod}) {
        SCOPED_TRACE(period);
        // A float sum just below the period is off by at most half its unit in the
        // last place.
        const double tolerance = std::ldexp(period, -24);
        float value = 0;
        int wraps = 0;
        double worst = 0, firstSteps = 0, lastSteps = 0;
        for (int tick = 1; tick <= kTicks; ++tick) {
            const float plain = static_cast<float>(value + 0.01);
            const float next = AnimationStep(value, period);
            if (wraps == 0 && plain < period) {
                ASSERT_EQ(next, plain) << "tick " << tick;
            }
            ASSERT_GE(next, 0.0f) << "tick " << tick;
            ASSERT_LT(next, period) << "tick " << tick;
            double step = double(next) - double(value);
            if (next < value) {
                step += period;
                ++wraps;
            }
            worst = std::max(worst, std::fabs(step - 0.01));
            if (tick <= 100) firstSteps += step;
            if (tick > kTicks - 100) lastSteps += step;
            value = next;
        }
        EXPECT_LE(worst, tolerance);
        EXPECT_NEAR(lastSteps, firstSteps, 100 * tolerance);
        EXPECT_NEAR(wraps, kTicks * 0.01 / period, 2);
    }
}
