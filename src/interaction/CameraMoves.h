#pragma once
// Camera navigation math, free of windows and GL: what one mouse move or one
// arrow-key tick does to the eye and the two angles.

struct CameraPose {
    float eyeX, eyeY, eyeZ;
    float yaw, pitch;
};

// The camera every run starts from, and the middle button returns to.
CameraPose StartCamera();

// Whole halves of a cursor travel, truncated toward zero: ±1 pixel gives 0.
int HalfSteps(int pixels);

// Left button: turn by 0.005 rad per half step (dx turns, dy raises the view).
void Turn(CameraPose& pose, int dx, int dy);

// Right button: forwards by dy along the view direction, then sideways by dx along
// the horizontal right vector, whose length is |cos pitch|.
void Move(CameraPose& pose, int dx, int dy);

// One arrow-key tick: `units` world units along the view direction.
void Fly(CameraPose& pose, float units);
