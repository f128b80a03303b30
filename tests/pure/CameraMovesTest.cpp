// What one mouse move or arrow-key tick does to the camera, checked against the
// geometry: distances, directions and the order of turn and move.
#include "camera/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
struct V {
    double x, y, z;
};
V Dir(const CameraPose& p) {
    return {std::cos(double{p.yaw}) * std::cos(double{p.pitch}), std::sin(double{p.pitch}),
            std::sin(double{p.yaw}) * std::cos(double{p.pitch})};
}
V Delta(const CameraPose& a, const CameraPose& b) {
    return {double{b.eyeX} - a.eyeX, double{b.eyeY} - a.eyeY, double{b.eyeZ} - a.eyeZ};
}
double Dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Len(V a) { return std::sqrt(Dot(a, a)); }
// Right of the view: direction x up.
V Right(V d) { return {-d.z, 0, d.x}; }
}  // namespace

TEST(CameraMoves, StartCameraIsTheStartUpPlace) {
    const CameraPose p = StartCamera();
    EXPECT_EQ(p.eyeX, 400.0f);
    EXPECT_EQ(p.eyeY, 200.0f);
    EXPECT_EQ(p.eyeZ, 400.0f);
    EXPECT_EQ(p.yaw, -2.356f);
    EXPECT_EQ(p.pitch, -0.333f);
}

TEST(CameraMoves, HalfStepsTruncateTowardZero) {
    const int cases[][2] = {{0, 0}, {1, 0},  {-1, 0},  {2, 1},  {3, 1},    {-2, -1},
                            {-3, -1}, {4, 2}, {5, 2},  {-5, -2}, {101, 50}, {-101, -50}};
    for (const auto& c : cases) EXPECT_EQ(HalfSteps(c[0]), c[1]) << c[0] << " pixels";
}

TEST(CameraMoves, TurnAddsFiveThousandthsPerHalfStepToEachAngle) {
    CameraPose p = StartCamera();
    Turn(p, 1, 0);
    EXPECT_NEAR(p.yaw, -2.356 + 0.005, 1e-6);
    EXPECT_EQ(p.pitch, -0.333f);
    Turn(p, -1, 0);
    EXPECT_NEAR(p.yaw, -2.356, 1e-6);
    Turn(p, 0, 4);
    EXPECT_NEAR(p.pitch, -0.333 + 0.02, 1e-6);
    // The eye stays put while turning.
    EXPECT_EQ(p.eyeX, 400.0f);
    EXPECT_EQ(p.eyeY, 200.0f);
    EXPECT_EQ(p.eyeZ, 400.0f);
    // Nothing clamps the elevation: it may pass the vertical.
    for (int i = 0; i < 400; ++i) Turn(p, 0, 1);
    EXPECT_GT(p.pitch, 1.5708f);
}

TEST(CameraMoves, MoveGoesForwardsAlongTheViewAndSidewaysToItsRight) {
    for (float pitch : {0.0f, -0.333f, 0.9f, 2.0f}) {
        SCOPED_TRACE(pitch);
        const CameraPose start{400, 200, 400, -2.356f, pitch};
        const V d = Dir(start);

        CameraPose fwd = start;
        Move(fwd, 0, 7);
        V delta = Delta(start, fwd);
        EXPECT_NEAR(Len(delta), 7, 1e-3);
        EXPECT_NEAR(Dot(delta, d), 7, 1e-3);

        CameraPose back = start;
        Move(back, 0, -3);
        EXPECT_NEAR(Dot(Delta(start, back), d), -3, 1e-3);

        // Sideways: horizontal, to the right of the view, |cos pitch| per unit.
        CameraPose side = start;
        Move(side, 4, 0);
        delta = Delta(start, side);
        EXPECT_EQ(side.eyeY, start.eyeY);
        EXPECT_NEAR(Len(delta), 4 * std::fabs(std::cos(double{pitch})), 1e-3);
        EXPECT_NEAR(Dot(delta, d), 0, 1e-3);
        EXPECT_NEAR(Dot(delta, Right(d)), 4 * std::cos(double{pitch}) * std::cos(double{pitch}), 1e-3);
        // The angles stay.
        EXPECT_EQ(side.yaw, start.yaw);
        EXPECT_EQ(side.pitch, start.pitch);
    }
    CameraPose level{0, 0, 0, 0.3f, 0};
    Move(level, 1, 0);
    EXPECT_NEAR(Len(Delta({0, 0, 0, 0.3f, 0}, level)), 1.0, 1e-6);
    CameraPose start = StartCamera();
    Move(start, 1, 0);
    EXPECT_NEAR(Len(Delta(StartCamera(), start)), 0.945, 5e-4);
}

TEST(CameraMoves, FlyMovesFiveUnitsAlongTheViewAndBackAgain) {
    const CameraPose start = StartCamera();
    CameraPose p = start;
    Fly(p, 5);
    const V delta = Delta(start, p);
    EXPECT_NEAR(Len(delta), 5, 1e-4);
    EXPECT_NEAR(Dot(delta, Dir(start)), 5, 1e-4);
    Fly(p, -5);
    EXPECT_NEAR(p.eyeX, start.eyeX, 1e-4);
    EXPECT_NEAR(p.eyeY, start.eyeY, 1e-4);
    EXPECT_NEAR(p.eyeZ, start.eyeZ, 1e-4);
    EXPECT_EQ(p.yaw, start.yaw);
    EXPECT_EQ(p.pitch, start.pitch);
}
