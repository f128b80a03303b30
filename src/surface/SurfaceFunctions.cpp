#include "SurfaceFunctions.h"

#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
}

int SignOf(float v) {
    if (v > 0) return 1;
    if (v == 0) return 0;
    return -1;
}

// The order of every product and sum is part of the result: a node's height must
// not depend on how the compiler regroups it.
double SurfaceHeight(int index, const SurfaceCoefficients& k, float x, float z) {
    const double a = k.a, b = k.b, c = k.c, t = k.t, phi = k.phase;
    switch (index) {
        case 0:
            return a * std::cos(std::sqrt(b * x * x + c * z * z) + phi + t);
        case 1:
            return a * (static_cast<double>(x) * x + static_cast<double>(z) * z);
        case 2:
            return a * (std::sin(b * x * (1.0 / 18) * kPi + phi + t) +
                        std::cos(c * z * (1.0 / 18) * kPi + phi + t));
        case 3:
            return a * SignOf(x * z);
        case 4:
            return a * std::pow(std::sin(b * x * (1.0 / 18) * kPi + phi + t), 5.0);
        case 5:
            return a * std::fabs(std::sin(b * x * kPi * 0.0625 + phi + t) *
                                 std::cos(c * z * kPi * 0.0625 + phi + t));
        case 6:
            return (0.01 * a) * (std::sinh(b * x + t) * std::cosh(c * z + t));
        default:
            return 0;
    }
}
