#include "GlPlatform.h"

#include "GlView.h"
#include "NativeGlConfig.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>


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
    if (QOpenGLContext* rc = CreateNativeGlContext(dc)) return rc;
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
    if (!DestroyNativeGlContext(rc)) delete rc;
}

void GlPlatform::SwapBuffers(GlView* dc, QOpenGLContext* rc) {
    // A covered or minimised view has nothing to present to; the frame is still
    // drawn and counted.
    if (dc && rc && dc->isExposed()) rc->swapBuffers(dc);
}
