// The main window's one rendering context: pixel format, creation, made current.
#include "platform/Dialogs.h"
#include "platform/GlPlatform.h"
#include "shell/MainWindow.h"

namespace {
// Double buffered, drawn to a window; no alpha, accumulation or aux buffers.
constexpr PIXELFORMATDESCRIPTOR kPixelFormatTemplate = {
    40, 1, PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW, 0, 8,
    0,  0, 0, 0, 0, 0,
    0,  0,
    0,  0, 0, 0, 0,
    32, 16, 0, 0, 0,
    0,  0, 0,
};
}  // namespace

void TForm1::SetPixelFormatDescr() {
    GlPlatform& wgl = CurrentGlPlatform();
    hDC = Form1->View;
    PIXELFORMATDESCRIPTOR pfd = kPixelFormatTemplate;
    PixelFormat = wgl.ChoosePixelFormat(hDC, pfd);
    wgl.SetPixelFormat(hDC, PixelFormat, pfd);
    hRC = wgl.CreateContext(hDC);
    if (!hRC) ShowMessage(QStringLiteral(":-)/n hrc == NULL"));
    if (!wgl.MakeCurrent(hDC, hRC)) ShowMessage(QStringLiteral("Could not MakeCurrent"));
}

// The context stays ours alone, but the view's drawing surface may not: on
// Wayland the view gets a new one when it is shown inside the main window (and
// when hidden and shown again), and a context left on the old one draws and
// presents nowhere. Making it current again costs next to nothing when nothing
// changed. A failure was reported once at start-up; drawing goes on without a
// context then, as it did before.
void TForm1::MakeViewCurrent() { CurrentGlPlatform().MakeCurrent(hDC, hRC); }
