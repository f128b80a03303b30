#include "Camera.h"

#include <cmath>

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
