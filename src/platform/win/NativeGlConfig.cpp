// On Windows the program picks the view's pixel format itself, as it picks the
// GLX configuration on X: Qt's own choice always asks for a stencil buffer, which
// nothing here draws with and which makes every depth clear a masked one. The
// format is set on the view's window and the context made from that window, so
// the two share one format; Qt adopts the context and, making it current, finds
// the window's format already the context's.
#include "platform/NativeGlConfig.h"

#include "platform/FramebufferChoice.h"
#include "platform/GlView.h"

#include <QOpenGLContext>
#include <QVariant>

#include <windows.h>

#include <vector>

namespace {
QOpenGLContext* adoptedContext = nullptr;

// Formats a double-buffered RGBA window can be drawn in with OpenGL.
bool Usable(const PIXELFORMATDESCRIPTOR& pfd) {
    constexpr DWORD kNeeded = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    return (pfd.dwFlags & kNeeded) == kNeeded && pfd.iPixelType == PFD_TYPE_RGBA &&
           pfd.cColorBits >= 24;
}

FramebufferTraits TraitsOf(const PIXELFORMATDESCRIPTOR& pfd) {
    FramebufferTraits t;
    t.depth = pfd.cDepthBits;
    t.stencil = pfd.cStencilBits;
    t.alpha = pfd.cAlphaBits;
    t.accum = pfd.cAccumRedBits;
    // Windows' own renderer in software, not a driver's.
    t.slow = (pfd.dwFlags & PFD_GENERIC_FORMAT) && !(pfd.dwFlags & PFD_GENERIC_ACCELERATED);
    return t;
}

// The index of the format the view takes, or 0 where none serves.
int ChooseViewFormat(HDC dc) {
    std::vector<FramebufferTraits> offered;
    std::vector<int> indices;
    const int count = DescribePixelFormat(dc, 1, sizeof(PIXELFORMATDESCRIPTOR), nullptr);
    for (int i = 1; i <= count; ++i) {
        PIXELFORMATDESCRIPTOR pfd = {};
        if (!DescribePixelFormat(dc, i, sizeof pfd, &pfd) || !Usable(pfd)) continue;
        offered.push_back(TraitsOf(pfd));
        indices.push_back(i);
    }
    const int chosen = ChooseFramebuffer(offered);
    return chosen < 0 ? 0 : indices[static_cast<size_t>(chosen)];
}
}  // namespace

QByteArrayList PrepareNativeGlConfig() { return {}; }

QOpenGLContext* CreateNativeGlContext(GlView* view) {
    if (!view) return nullptr;
    const auto window = reinterpret_cast<HWND>(view->winId());
    // Qt gives windows with a GL surface a DC of their own, which outlives this.
    HDC dc = GetDC(window);
    if (!dc) return nullptr;
    const int format = ChooseViewFormat(dc);
    PIXELFORMATDESCRIPTOR pfd = {};
    HGLRC native = nullptr;
    // Where no format serves, or the window has one already, Qt's own choice
    // serves as before.
    if (format && !GetPixelFormat(dc) && DescribePixelFormat(dc, format, sizeof pfd, &pfd) &&
        SetPixelFormat(dc, format, &pfd))
        native = wglCreateContext(dc);
    ReleaseDC(window, dc);
    if (!native) return nullptr;
    QOpenGLContext* rc = QNativeInterface::QWGLContext::fromNative(native, window);
    if (!rc) {
        wglDeleteContext(native);
        return nullptr;
    }
    // For the Windows start-up test: the format this context was made in.
    rc->setProperty("nativePixelFormat", format);
    adoptedContext = rc;
    return rc;
}

bool DestroyNativeGlContext(QOpenGLContext* rc) {
    // Qt does not destroy a context it adopted.
    if (!rc || rc != adoptedContext) return false;
    adoptedContext = nullptr;
    auto* wgl = rc->nativeInterface<QNativeInterface::QWGLContext>();
    HGLRC native = wgl ? wgl->nativeContext() : nullptr;
    delete rc;
    if (native) wglDeleteContext(native);
    return true;
}
