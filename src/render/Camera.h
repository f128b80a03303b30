#pragma once
// Camera math without GL: the orthographic box around the perspective, and the
// view direction from the two angles.

struct OrthoBox {
    double left, right, bottom, top, zNear, zFar;
};

// The box of half extent `size` on the shorter side, stretched by the aspect ratio
// along the longer one, so that the picture is not distorted.
OrthoBox OrthoBoxFor(float width, float height, float size);

struct Vec3f {
    float x, y, z;
};

// Unit direction of heading `yaw` (from +x towards +z) and elevation `pitch`.
Vec3f ViewDirection(float yaw, float pitch);
