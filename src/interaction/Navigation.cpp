// Flying the camera: the mouse over the main window and the arrow keys.
#include "camera/Camera.h"
#include "platform/KeyState.h"
#include "shell/MainWindow.h"

namespace {
CameraPose PoseOf(const TForm1& f) { return {f.EyeX, f.EyeY, f.EyeZ, f.Yaw, f.Pitch}; }
void Store(TForm1& f, const CameraPose& p) {
    f.EyeX = p.eyeX;
    f.EyeY = p.eyeY;
    f.EyeZ = p.eyeZ;
    f.Yaw = p.yaw;
    f.Pitch = p.pitch;
}
}  // namespace

void TForm1::Panel1MouseMove(QObject*, TShiftState Shift, int X, int Y) {
    const int dx = HalfSteps(X - LastMouseX);
    const int dy = HalfSteps(Y - LastMouseY);
    CameraPose pose = PoseOf(*this);
    if (Shift.ssLeft) Turn(pose, dx, dy);
    // With both buttons the eye moves along the direction just turned to.
    if (Shift.ssRight) Move(pose, dx, dy);
    if (Shift.ssMiddle) pose = StartCamera();
    Store(*this, pose);
    LastMouseX = X;
    LastMouseY = Y;
}

// The keys are read from the keyboard state, not from key messages, so they fly
// the camera whichever of the program's windows has the focus.
void TForm1::ArrowKeysStep() {
    CameraPose pose = PoseOf(*this);
    if (ProgramKeyState(ArrowKey::Up) != 0) Fly(pose, 5);
    if (ProgramKeyState(ArrowKey::Down) != 0) Fly(pose, -5);
    Store(*this, pose);
}
