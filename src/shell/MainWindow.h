#pragma once
// The main window: the whole viewer state as plain fields, and the routines that
// start up, draw, navigate and animate. Everything runs on the UI thread.
//
// Where TForm1's methods live:
//   shell/MainWindow.cpp          constructor, FormCreate, IdleRender, FormPaint,
//                                 Timer2Timer (readout), FormDestroy, TexName
//   shell/RenderingContext.cpp    SetPixelFormatDescr, MakeViewCurrent
//   surface/SurfaceHeights.cpp    glSrfFunc, sgn
//   render/Projection.cpp         Perspective
//   render/DrawScene.cpp          DrawScene (the mesh)
//   render/AxesMarker.cpp         BuildAxesMarker, DrawAxesMarker
//   render/Light.cpp              Light
//   render/Textures.cpp           SetupTextures
//   interaction/Navigation.cpp    Panel1MouseMove, ArrowKeysStep
//   interaction/Animation.cpp     Timer1Timer
//   interaction/ContextMenu.cpp   BuildPopupMenu, rotClick, N1Click, N3Click
// The pure math they lean on: camera/, surface/SurfaceFunctions, texture/.
#include "platform/Form.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QList>
#include <cstdint>

class GlView;
class QLineEdit;
class QMenu;
class QAction;
class QActionGroup;
class QImage;
class QOpenGLContext;
class QTimer;
class SystemTimer;

// The mouse buttons held during a move, as the navigation looks at them.
struct TShiftState {
    bool ssLeft = false;
    bool ssRight = false;
    bool ssMiddle = false;
};

struct TWireColor {
    int8_t R = 0;
    int8_t G = 0;
    int8_t B = 0;
};

class TForm1 : public TForm {
public:
    TForm1();
    ~TForm1() override;

    // Event handlers and methods; `Sender` is the control that raised the event.
    void Timer2Timer(QObject* Sender);
    void FormCreate(QObject* Sender);
    void FormPaint(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void SetPixelFormatDescr();
    // Makes the one context current on the view again before GL is touched.
    void MakeViewCurrent();
    void Perspective();
    void Light();
    int sgn(float v);
    void DrawScene();
    void SetupTextures();
    float glSrfFunc(float x, float z);
    void Panel1MouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    void Timer1Timer(QObject* Sender);
    void rotClick(QObject* Sender);
    void N1Click(QObject* Sender);
    void N3Click(QObject* Sender);

    // Published components.
    QTimer* Timer2 = nullptr;
    SystemTimer* Timer1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* rot = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    // The native window the picture is drawn into.
    GlView* View = nullptr;

    // The viewer state. Public so that the settings window and the tests reach it
    // directly, as the program's design has it: no accessors, no notifications.
    int PixelFormat = 0;
    QImage* TexBitmap = nullptr;
    GlView* hDC = nullptr;
    QOpenGLContext* hRC = nullptr;
    GLuint ListBase = 0;
    int FrameCount = 0;
    int FuncIndex = 0;
    int TexNumber = 0;
    float ViewWidth = 0;
    float ViewHeight = 0;
    float OrthoSize = 0;
    float EyeX = 0;
    float EyeY = 0;
    float EyeZ = 0;
    float DirX = 0;
    float DirY = 0;
    float DirZ = 0;
    float ZNear = 0;
    float ZFar = 0;
    float Yaw = 0;
    float Pitch = 0;
    int LastMouseX = 0;
    int LastMouseY = 0;
    int GridStep = 0;
    int NextTexNumber = 0;
    float SpinAngle = 0;
    float Phase = 0;
    float CoefA = 0;
    float CoefB = 0;
    float CoefC = 0;
    float CoefT = 0;
    TWireColor WireColor;
    QList<GLuint> TexNames;
    int PrimMode = 0;
    bool Ready = false;
    GLUquadric* AxesQuadric = nullptr;

    // The texture object of `TexNames`' entry at `index`; outside 0..Count-1 it
    // raises EListError naming the position and the length.
    GLuint TexName(int index) const;

    // One frame of the idle loop: clear, draw, load the camera, present, count.
    void IdleRender(QObject* Sender, bool& Done);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BuildPopupMenu();
    void BuildAxesMarker();
    void DrawAxesMarker();
    void ArrowKeysStep();
};

extern TForm1* Form1;
