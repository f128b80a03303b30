// The orthographic box around the perspective and the view direction.
#include "camera/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Camera, BoxStretchesAlongTheLongerSideOnly) {
    const OrthoBox wide = OrthoBoxFor(1024, 768, 800);
    EXPECT_NEAR(wide.left, -1066.6667, 1e-3);
    EXPECT_NEAR(wide.right, 1066.6667, 1e-3);
    EXPECT_EQ(wide.bottom, -800);
    EXPECT_EQ(wide.top, 800);

    const OrthoBox tall = OrthoBoxFor(768, 1024, 800);
    EXPECT_EQ(tall.left, -800);
    EXPECT_EQ(tall.right, 800);
    EXPECT_NEAR(tall.bottom, -1066.6667, 1e-3);
    EXPECT_NEAR(tall.top, 1066.6667, 1e-3);

    const OrthoBox square = OrthoBoxFor(1000, 1000, 800);
    for (double v : {square.left, square.bottom}) EXPECT_EQ(v, -800);
    for (double v : {square.right, square.top}) EXPECT_EQ(v, 800);

    for (const OrthoBox& b : {wide, tall, square}) {
        EXPECT_EQ(b.zNear, -800);
        EXPECT_EQ(b.zFar, 800);
        // The box keeps the aspect ratio of the view, so nothing is distorted.
        EXPECT_EQ(-b.left, b.right);
        EXPECT_EQ(-b.bottom, b.top);
    }
    EXPECT_NEAR((wide.right - wide.left) / (wide.top - wide.bottom), 1024.0 / 768, 1e-12);
    EXPECT_NEAR((tall.right - tall.left) / (tall.top - tall.bottom), 768.0 / 1024, 1e-12);
}

TEST(Camera, StartDirectionLooksAtTheMiddleOfTheGrid) {
    const Vec3f d = ViewDirection(-2.356f, -0.333f);
    EXPECT_NEAR(d.x, -0.6681, 1e-4);
    EXPECT_NEAR(d.y, -0.3269, 1e-4);
    EXPECT_NEAR(d.z, -0.6684, 1e-4);
    EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 1.0, 1e-6);
    // From (400, 200, 400) the line of sight meets y = 0 near (-8.8, 0, -9.0).
    const double t = -200.0 / d.y;
    EXPECT_NEAR(400 + t * d.x, -8.8, 0.1);
    EXPECT_NEAR(400 + t * d.z, -9.0, 0.1);
}

TEST(Camera, DirectionPastTheVerticalReversesTheHeading) {
    const float yaw = 0.7f;
    const Vec3f over = ViewDirection(yaw, 2.0f);
    const Vec3f opposite = ViewDirection(yaw + 3.14159265f, 3.14159265f - 2.0f);
    EXPECT_NEAR(over.x, opposite.x, 1e-6);
    EXPECT_NEAR(over.y, opposite.y, 1e-6);
    EXPECT_NEAR(over.z, opposite.z, 1e-6);
    // Only yaw modulo a full turn matters.
    const Vec3f turned = ViewDirection(yaw + 4 * 3.14159265f, 2.0f);
    EXPECT_NEAR(over.x, turned.x, 1e-5);
    EXPECT_NEAR(over.z, turned.z, 1e-5);
}
