#pragma once
// One tick of an animation accumulator, kept within one period so that the step
// stays the same however long the animation runs: a 32-bit float this large would
// round 0.01 away after a few hours of ticks.

// `SpinAngle` counts tens of degrees: 36 is a full turn.
constexpr double kSpinPeriod = 36;
// `Phase` is an angle added inside the formulas, each of which repeats over 2π.
constexpr double kPhasePeriod = 6.283185307179586;

// `value` + 0.01, the step taken in double precision and the sum rounded to a
// float; a sum that reaches `period` has the period taken off, again in double
// precision. Values in [0, period) stay there, and below the period nothing
// differs from the plain sum.
float AnimationStep(float value, double period);
