#include "interaction/AnimationStep.h"

float AnimationStep(float value, double period) {
    const float next = static_cast<float>(value + 0.01);
    // The subtraction in double precision gives the float nearest to the exact
    // remainder; the formulas, periodic over the period, then see the same angle.
    return next >= period ? static_cast<float>(next - period) : next;
}
