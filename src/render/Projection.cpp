// The camera lives in the projection matrix, so the modelview starts every frame
// as the identity and lighting works in world coordinates.
#include "camera/Camera.h"
#include "shell/MainWindow.h"

void TForm1::Perspective() {
    if (!Ready) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const OrthoBox box = OrthoBoxFor(ViewWidth, ViewHeight, OrthoSize);
    glOrtho(box.left, box.right, box.bottom, box.top, box.zNear, box.zFar);
    // A very narrow perspective inside a wide box: an ordinary perspective view
    // whose near plane sits 1.25 units in front of the eye and has no far plane.
    gluPerspective(0.05, 1.0, ZNear, ZFar);
    const Vec3f d = ViewDirection(Yaw, Pitch);
    DirX = d.x;
    DirY = d.y;
    DirZ = d.z;
    gluLookAt(EyeX, EyeY, EyeZ, static_cast<double>(EyeX) + DirX,
              static_cast<double>(EyeY) + DirY, static_cast<double>(EyeZ) + DirZ, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
