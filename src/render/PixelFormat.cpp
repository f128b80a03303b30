// The main window's one rendering context: pixel format, creation, made current.
#include "platform/Dialogs.h"
#include "platform/GlPlatform.h"
#include "shell/Unit1.h"

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
