#include "GlPlatform.h"

#include "GlView.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <GL/glx.h>

namespace {
GlPlatform defaultPlatform;
GlPlatform* current = &defaultPlatform;

QSurfaceFormat NearestFormat(const PIXELFORMATDESCRIPTOR& pfd) {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setSwapBehavior((pfd.dwFlags & PFD_DOUBLEBUFFER) ? QSurfaceFormat::DoubleBuffer
                                                       : QSurfaceFormat::SingleBuffer);
    // X servers commonly offer 24 depth bits; asking for more would make the
    // choice fail instead of taking the nearest format.
    f.setDepthBufferSize(pfd.cDepthBits > 24 ? 24 : pfd.cDepthBits);
    // Nothing draws with the stencil buffer, and with a combined depth-stencil
    // buffer every depth clear becomes a masked clear: ask for none.
    f.setStencilBufferSize(0);
    f.setAlphaBufferSize(pfd.cAlphaBits);
    // No frame limiter: frames follow each other as fast as they are drawn.
    f.setSwapInterval(0);
    return f;
}
// GLX offers the deepest depth buffer first, and without a stencil buffer that
// is 32 bits, which settles near-coplanar fragments differently from the 24 bits
// a depth-stencil format has. So on X the context is made from a configuration
// with exactly the requested depth and no stencil, and Qt adopts it; elsewhere
// (EGL offers the smallest sufficient depth first) Qt chooses.
QOpenGLContext* adoptedContext = nullptr;

QOpenGLContext* CreateExactGlxContext(GlView* dc) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) return nullptr;
    Display* dpy = x11->display();
    const QSurfaceFormat want = dc->requestedFormat();
    const int attributes[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                              GLX_DOUBLEBUFFER, want.swapBehavior() != QSurfaceFormat::SingleBuffer,
                              GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                              GLX_DEPTH_SIZE, want.depthBufferSize(), None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), attributes, &count);
    if (!configs) return nullptr;
    GLXFBConfig chosen = nullptr;
    for (int i = 0; i < count && !chosen; ++i) {
        auto get = [&](int attribute) {
            int value = -1;
            glXGetFBConfigAttrib(dpy, configs[i], attribute, &value);
            return value;
        };
        if (get(GLX_DEPTH_SIZE) == want.depthBufferSize() && get(GLX_STENCIL_SIZE) == 0 &&
            get(GLX_ALPHA_SIZE) == 0 && get(GLX_ACCUM_RED_SIZE) == 0 && get(GLX_SAMPLES) <= 0 &&
            get(GLX_CONFIG_CAVEAT) == GLX_NONE)
            chosen = configs[i];
    }
    XFree(configs);
    if (!chosen) return nullptr;
    GLXContext native = glXCreateNewContext(dpy, chosen, GLX_RGBA_TYPE, nullptr, True);
    if (!native) return nullptr;
    QOpenGLContext* rc = QNativeInterface::QGLXContext::fromNative(native);
    if (!rc) {
        glXDestroyContext(dpy, native);
        return nullptr;
    }
    adoptedContext = rc;
    return rc;
}
}  // namespace

GlPlatform& CurrentGlPlatform() { return *current; }
void SetGlPlatform(GlPlatform* platform) { current = platform ? platform : &defaultPlatform; }

int GlPlatform::ChoosePixelFormat(GlView* dc, const PIXELFORMATDESCRIPTOR& pfd) {
    if (!dc) return 0;
    dc->setFormat(NearestFormat(pfd));
    return 1;
}

bool GlPlatform::SetPixelFormat(GlView* dc, int format, const PIXELFORMATDESCRIPTOR&) {
    if (!dc || format == 0) return false;
    dc->create();
    return dc->handle() != nullptr;
}

QOpenGLContext* GlPlatform::CreateContext(GlView* dc) {
    if (!dc) return nullptr;
    if (QOpenGLContext* rc = CreateExactGlxContext(dc)) return rc;
    auto* rc = new QOpenGLContext();
    rc->setFormat(dc->requestedFormat());
    if (!rc->create()) {
        delete rc;
        return nullptr;
    }
    return rc;
}

bool GlPlatform::MakeCurrent(GlView* dc, QOpenGLContext* rc) {
    if (!dc && !rc) {
        if (QOpenGLContext* cur = QOpenGLContext::currentContext()) cur->doneCurrent();
        return true;
    }
    if (!dc || !rc) return false;
    return rc->makeCurrent(dc);
}

void GlPlatform::DeleteContext(QOpenGLContext* rc) {
    // Qt does not destroy a context it adopted.
    if (rc && rc == adoptedContext) {
        adoptedContext = nullptr;
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        auto* glx = rc->nativeInterface<QNativeInterface::QGLXContext>();
        GLXContext native = glx ? glx->nativeContext() : nullptr;
        delete rc;
        if (x11 && native) glXDestroyContext(x11->display(), native);
        return;
    }
    delete rc;
}

void GlPlatform::SwapBuffers(GlView* dc, QOpenGLContext* rc) {
    // A covered or minimised view has nothing to present to; the frame is still
    // drawn and counted.
    if (dc && rc && dc->isExposed()) rc->swapBuffers(dc);
}
