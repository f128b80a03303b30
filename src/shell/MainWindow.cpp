// The main window's life: its components, start-up, the frame loop, the
// frames-per-second readout and shutdown.
#include "shell/MainWindow.h"

#include "camera/Camera.h"
#include "platform/Application.h"
#include "platform/CompositorPlacement.h"
#include "platform/FormFont.h"
#include "platform/Exceptions.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "platform/KeyState.h"
#include "platform/NativeFit.h"
#include "platform/ScreenPixels.h"
#include "platform/SystemTimer.h"
#include "platform/ViewHost.h"

#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TForm1* Form1 = nullptr;

namespace {
const char* const kCaption = "График функции вида a*cos(sqrt(bx^2 + cz^2)+t)";

// The readout is written in place into one of two buffers kept from call to call:
// the box shares the text it shows, so the other buffer is free to overwrite
// without a copy. Once grown, neither allocates again.
QString readoutText[2];
int readoutNext = 0;

void WriteDecimal(int value, QString& out) {
    char16_t digits[12];
    int n = 0;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[n++] = u'-';
    out.resize(n);
    QChar* p = out.data();
    for (int i = 0; i < n; ++i) p[i] = QChar(digits[n - 1 - i]);
}
}  // namespace

TForm1::TForm1() : TForm(nullptr) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setGeometry(126, 83, 600, 427);
    setBackgroundRole(QPalette::Button);
    setFont(FormFont());

    // The picture goes straight into a native GL window filling the client area.
    View = new GlView;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HostView(View, this));
    View->onMouseMove = [this](Qt::MouseButtons b, int x, int y) {
        TShiftState shift;
        shift.ssLeft = b & Qt::LeftButton;
        shift.ssRight = b & Qt::RightButton;
        shift.ssMiddle = b & Qt::MiddleButton;
        Panel1MouseMove(this, shift, x, y);
    };
    View->onContextMenu = [this](const QPoint& at) { PopupMenu1->popup(at); };
    View->onPaint = [this] { FormPaint(this); };

    // The frames-per-second box sits over the picture, in a window of its own
    // held there once the view's window exists (showEvent); the form deletes it.
    Edit1 = new QLineEdit(QStringLiteral("Edit1"));
    Edit1->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    Edit1->setAttribute(Qt::WA_ShowWithoutActivating);
    Edit1->setFont(FormFont());
    Edit1->setGeometry(2, 1, 31, 21);
    Edit1->setEnabled(false);
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::NoFocus);

    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(Timer2); });
    Timer2->start();
    // 1 ms, which the system clock makes 64 ticks a second at most: the animation
    // and the arrow keys step per tick, so their speed does not follow the frames.
    Timer1 = new SystemTimer(1, this);
    Timer1->onTimeout = [this] { Timer1Timer(Timer1); };
    Timer1->start();

    BuildPopupMenu();

    TexNames.clear();
    InstallKeyStateWatcher();
    Application->SetOnIdle([this](bool& done) { IdleRender(this, done); });
}

TForm1::~TForm1() {
    // The box's window is held over the GL window: it goes first.
    delete Edit1;
    Edit1 = nullptr;
    Application->SetOnIdle(nullptr);
    Timer1->stop();
    Timer2->stop();
    FormDestroy(this);
    TexNames.clear();
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::showEvent(QShowEvent* e) {
    TForm::showEvent(e);
    if (Edit1) HoldOverView(Edit1, View, QPoint(2, 1));
}

void TForm1::FormCreate(QObject*) {
    TexBitmap = new QImage();
    SetPixelFormatDescr();
    ListBase = glGenLists(2);

    // The window covers the primary monitor, wherever it stands on the desktop
    // (only on Windows is its corner always 0,0; on Wayland, see the end); the view
    // keeps that monitor's size in device pixels for good, whatever later becomes
    // of the window.
    const QScreen* primary = QGuiApplication::primaryScreen();
    move(primary->geometry().topLeft());
    resize(primary->size());
    winId();
    const QSize pixels = ScreenPixels(windowHandle());
    ResizeToPixels(windowHandle(), pixels);
    KeepFillingParent(View);
    ViewWidth = static_cast<float>(pixels.width());
    ViewHeight = static_cast<float>(pixels.height());

    const CameraPose start = StartCamera();
    EyeY = start.eyeY;
    EyeX = start.eyeX;
    EyeZ = start.eyeZ;
    Yaw = start.yaw;
    Pitch = start.pitch;
    OrthoSize = 800;
    ZNear = -1000;
    ZFar = 1000;
    GridStep = 20;
    TexNumber = 1;
    WireColor.G = 64;
    PrimMode = GL_QUADS;
    CoefA = 20;
    CoefB = 1;
    CoefC = 1;
    CoefT = 0;

    CurrentGlPlatform().SetViewport(static_cast<int>(ViewWidth), static_cast<int>(ViewHeight));
    glEnable(GL_DEPTH_TEST);
    glDepthRange(0.0, 1.0);
    glDepthFunc(GL_LESS);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 0, 0, 0);

    SetupTextures();
    Light();
    BuildAxesMarker();
    Ready = true;

    // On Wayland the compositor picks the output: the size read above is of the
    // screen Qt holds the window on until it is told which, and the view takes
    // that output's instead, once told.
    OnCompositorPlacement(windowHandle(), [this] {
        const QSize output = ScreenPixels(windowHandle());
        ViewWidth = static_cast<float>(output.width());
        ViewHeight = static_cast<float>(output.height());
        MakeViewCurrent();
        CurrentGlPlatform().SetViewport(output.width(), output.height());
    });
}

void TForm1::IdleRender(QObject*, bool& Done) {
    Done = false;
    MakeViewCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawScene();
    Perspective();
    glFlush();
    CurrentGlPlatform().SwapBuffers(hDC, hRC);
    FrameCount += 1;
}

void TForm1::FormPaint(QObject*) {
    MakeViewCurrent();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    DrawScene();
}

void TForm1::Timer2Timer(QObject*) {
    if (readoutText[0].capacity() < 12) {
        readoutText[0].reserve(12);
        readoutText[1].reserve(12);
    }
    QString& text = readoutText[readoutNext];
    WriteDecimal(FrameCount, text);
    // The box lays out and shapes every text it is handed; the same count again
    // would look no different.
    if (text != Edit1->text()) {
        Edit1->setText(text);
        readoutNext ^= 1;
    }
    FrameCount = 0;
}

void TForm1::FormDestroy(QObject*) {
    delete TexBitmap;
    TexBitmap = nullptr;
    // The marker's display list holds what the quadric drew; the quadric itself is
    // plain memory of GLU's, freed before the context goes.
    gluDeleteQuadric(AxesQuadric);
    AxesQuadric = nullptr;
    CurrentGlPlatform().MakeCurrent(nullptr, nullptr);
    CurrentGlPlatform().DeleteContext(hRC);
    hRC = nullptr;
}

GLuint TForm1::TexName(int index) const {
    if (index < 0 || index >= TexNames.size())
        throw EListError(QStringLiteral("List index out of bounds (%1); the list holds %2 entries")
                             .arg(index)
                             .arg(TexNames.size()));
    return TexNames[index];
}
