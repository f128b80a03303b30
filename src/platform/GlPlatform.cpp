#include "GlPlatform.h"

#include "GlView.h"
#include "NativeGlConfig.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QtGui/qopengl.h>

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

// The frame clears to alpha 0 and blends translucent parts; where the surface
// keeps that alpha (Qt gives Wayland windows an alpha channel for their
// decorations), the compositor would show what lies behind the view. The view is
// an opaque picture: its alpha becomes 1 before it is presented, colours and GL
// state untouched.
void MakeOpaque() {
    GLboolean mask[4];
    GLfloat clear[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
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
    if (!rc->makeCurrent(dc)) return false;
    // A context made current before its view has a drawable (on Wayland, until the
    // view is laid out) has its viewport set to the drawable's size by the driver
    // when it first gets one: the program's viewport is put back until then.
    if (rc == viewportOf_ && exposedWith_ != rc) glViewport(0, 0, viewport_.width(), viewport_.height());
    if (dc->isExposed()) exposedWith_ = rc;
    return true;
}

void GlPlatform::SetViewport(int width, int height) {
    viewportOf_ = QOpenGLContext::currentContext();
    viewport_ = QSize(width, height);
    glViewport(0, 0, width, height);
}

void GlPlatform::DeleteContext(QOpenGLContext* rc) {
    if (exposedWith_ == rc) exposedWith_ = nullptr;
    if (viewportOf_ == rc) viewportOf_ = nullptr;
    if (!DestroyNativeGlContext(rc)) delete rc;
}

void GlPlatform::SwapBuffers(GlView* dc, QOpenGLContext* rc) {
    // A covered or minimised view has nothing to present to; the frame is still
    // drawn and counted.
    if (!dc || !rc || !dc->isExposed()) return;
    if (dc->format().hasAlpha()) MakeOpaque();
    rc->swapBuffers(dc);
}
