#pragma once
// Camera math, free of windows and GL: the start pose, the view direction, the
// orthographic box around the perspective, and what one mouse move or one
// arrow-key tick does to the eye and the two angles.

struct CameraPose {
    float eyeX, eyeY, eyeZ;
    float yaw, pitch;
};

// The camera every run starts from, and the middle button returns to.
CameraPose StartCamera();

struct Vec3f {
    float x, y, z;
};

// Unit direction of heading `yaw` (from +x towards +z) and elevation `pitch`.
Vec3f ViewDirection(float yaw, float pitch);

struct OrthoBox {
    double left, right, bottom, top, zNear, zFar;
};

// The box of half extent `size` on the shorter side, stretched by the aspect ratio
// along the longer one, so that the picture is not distorted.
OrthoBox OrthoBoxFor(float width, float height, float size);

// Whole halves of a cursor travel, truncated toward zero: ±1 pixel gives 0.
int HalfSteps(int pixels);

// Left button: turn by 0.005 rad per half step (dx turns, dy raises the view).
void Turn(CameraPose& pose, int dx, int dy);

// Right button: forwards by dy along the view direction, then sideways by dx along
// the horizontal right vector, whose length is |cos pitch|.
void Move(CameraPose& pose, int dx, int dy);

// One arrow-key tick: `units` world units along the view direction.
void Fly(CameraPose& pose, float units);
