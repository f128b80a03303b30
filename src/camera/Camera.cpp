#include "camera/Camera.h"

#include <cmath>

CameraPose StartCamera() { return {400.0f, 200.0f, 400.0f, -2.356f, -0.333f}; }

OrthoBox OrthoBoxFor(float width, float height, float size) {
    const double w = width, h = height, o = size;
    if (w > h) return {-o * w / h, o * w / h, -o, o, -o, o};
    return {-o, o, -o * h / w, o * h / w, -o, o};
}

Vec3f ViewDirection(float yaw, float pitch) {
    const double cy = std::cos(static_cast<double>(yaw)), sy = std::sin(static_cast<double>(yaw));
    const double cp = std::cos(static_cast<double>(pitch)), sp = std::sin(static_cast<double>(pitch));
    return {static_cast<float>(cy * cp), static_cast<float>(sp), static_cast<float>(sy * cp)};
}

namespace {
constexpr double kHalfPi = 1.5707963267948966;
}

int HalfSteps(int pixels) { return static_cast<int>(pixels * 0.5); }

// Every new value is computed in double precision and stored into its float.
void Turn(CameraPose& p, int dx, int dy) {
    p.yaw = static_cast<float>(p.yaw + dx * 0.005);
    p.pitch = static_cast<float>(p.pitch + dy * 0.005);
}

void Move(CameraPose& p, int dx, int dy) {
    p.eyeX = static_cast<float>(p.eyeX + dy * std::cos(double{p.yaw}) * std::cos(double{p.pitch}));
    p.eyeY = static_cast<float>(p.eyeY + dy * std::sin(double{p.pitch}));
    p.eyeZ = static_cast<float>(p.eyeZ + dy * std::sin(double{p.yaw}) * std::cos(double{p.pitch}));
    p.eyeX = static_cast<float>(p.eyeX +
                                dx * std::cos(p.yaw + kHalfPi) * std::cos(double{p.pitch}));
    p.eyeZ = static_cast<float>(p.eyeZ +
                                dx * std::sin(p.yaw + kHalfPi) * std::cos(double{p.pitch}));
}

void Fly(CameraPose& p, float units) {
    p.eyeX = static_cast<float>(p.eyeX + std::cos(double{p.yaw}) * units * std::cos(double{p.pitch}));
    p.eyeY = static_cast<float>(p.eyeY + std::sin(double{p.pitch}) * units);
    p.eyeZ = static_cast<float>(p.eyeZ + std::sin(double{p.yaw}) * units * std::cos(double{p.pitch}));
}
