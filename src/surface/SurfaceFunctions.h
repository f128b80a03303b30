#pragma once
// The seven formula prototypes y = f(x, z), evaluated at grid node indices.

struct SurfaceCoefficients {
    float a = 20;
    float b = 1;
    float c = 1;
    float t = 0;
    float phase = 0;
};

// 1 for v > 0, 0 for either zero, -1 otherwise (NaN included).
int SignOf(float v);

// The height of prototype `index` (0..6) at node indices (x, z), in double
// precision; the caller narrows it to a float. An index outside 0..6 gives 0.
double SurfaceHeight(int index, const SurfaceCoefficients& k, float x, float z);
