#include "support/DesignDrawing.h"

#include "platform/GlView.h"
#include "render/Grid.h"
#include "shell/MainWindow.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QWindow>

#include <GL/glx.h>

void DrawSceneAsDesigned() {
    TForm1& f = *Form1;
    glPushMatrix();
    if (f.PrimMode == GL_QUADS) {
        const GLuint texture =
            (f.TexNumber >= 1 && f.TexNumber <= f.TexNames.size()) ? f.TexName(f.TexNumber - 1) : 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor3b(127, 127, 127);
    } else {
        glColor3b(f.WireColor.R, f.WireColor.G, f.WireColor.B);
    }
    glRotatef(f.SpinAngle * 10, 0, 1, 0);
    glBegin(static_cast<GLenum>(f.PrimMode));
    for (int i = kFirstCell; i <= kLastCell; ++i) {
        for (int j = kFirstCell; j <= kLastCell; ++j) {
            if (f.PrimMode == GL_QUADS) {
                const int d = f.GridStep;
                glTexCoord2f(0, 0);
                glVertex3f(static_cast<float>((i + 1) * d), f.glSrfFunc(static_cast<float>(i + 1), static_cast<float>(j + 1)),
                           static_cast<float>((j + 1) * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(1, 0);
                glVertex3f(static_cast<float>((i + 1) * d), f.glSrfFunc(static_cast<float>(i + 1), static_cast<float>(j)),
                           static_cast<float>(j * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(1, 1);
                glVertex3f(static_cast<float>(i * d), f.glSrfFunc(static_cast<float>(i), static_cast<float>(j)),
                           static_cast<float>(j * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(0, 1);
                glVertex3f(static_cast<float>(i * d), f.glSrfFunc(static_cast<float>(i), static_cast<float>(j + 1)),
                           static_cast<float>((j + 1) * d));
                glNormal3f(0, 1, 0);
            } else {
                const int d = kWireStep;
                const float x0 = static_cast<float>(i * d), x1 = static_cast<float>((i + 1) * d);
                const float z0 = static_cast<float>(j * d), z1 = static_cast<float>((j + 1) * d);
                const float fi = static_cast<float>(i), fi1 = static_cast<float>(i + 1);
                const float fj = static_cast<float>(j), fj1 = static_cast<float>(j + 1);
                glVertex3f(x1, f.glSrfFunc(fi1, fj1), z1);
                glVertex3f(x0, f.glSrfFunc(fi, fj1), z1);
                glVertex3f(x0, f.glSrfFunc(fi, fj1), z1);
                glVertex3f(x0, f.glSrfFunc(fi, fj), z0);
                glVertex3f(x0, f.glSrfFunc(fi, fj), z0);
                glVertex3f(x1, f.glSrfFunc(fi1, fj), z0);
                glVertex3f(x1, f.glSrfFunc(fi1, fj), z0);
                glVertex3f(x1, f.glSrfFunc(fi1, fj1), z1);
            }
        }
    }
    glEnd();
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0, 30, 0);
    glRotatef(f.SpinAngle * 10, 0, 1, 0);
    glCallList(f.ListBase + 1);
    glPopMatrix();
}

namespace {
// A double-buffered true-colour window configuration with 24 depth bits and the
// given stencil bits, nothing else.
GLXFBConfig DesignConfig(Display* dpy, int stencilBits) {
    const int attributes[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                              GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                              GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 24, GLX_STENCIL_SIZE, stencilBits,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), attributes, &count);
    GLXFBConfig chosen = nullptr;
    for (int i = 0; i < count && !chosen; ++i) {
        auto get = [&](int attribute) {
            int value = -1;
            glXGetFBConfigAttrib(dpy, configs[i], attribute, &value);
            return value;
        };
        if (get(GLX_DEPTH_SIZE) == 24 && get(GLX_STENCIL_SIZE) == stencilBits && get(GLX_ALPHA_SIZE) == 0 &&
            get(GLX_ACCUM_RED_SIZE) == 0 && get(GLX_SAMPLES) <= 0 && get(GLX_VISUAL_ID) != 0)
            chosen = configs[i];
    }
    if (configs) XFree(configs);
    return chosen;
}
}  // namespace

// Qt gives every window the view's visual, so the window is made here with the
// visual of the configuration its context comes from, as GLX asks.
DesignContext::DesignContext(bool stencil, QRect geometry) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto* shared = Form1->hRC ? Form1->hRC->nativeInterface<QNativeInterface::QGLXContext>() : nullptr;
    if (!x11 || !shared) return;
    dpy_ = x11->display();
    GLXFBConfig config = DesignConfig(dpy_, stencil ? 8 : 0);
    if (!config) return;
    XVisualInfo* visual = glXGetVisualFromFBConfig(dpy_, config);
    if (!visual) return;
    const ::Window root = RootWindow(dpy_, DefaultScreen(dpy_));
    colormap_ = XCreateColormap(dpy_, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap_;
    attributes.override_redirect = True;  // frameless, where it is put
    const QRect at = geometry.isValid() ? geometry
                                        : QRect(Form1->View->mapToGlobal(QPoint(0, 0)), Form1->View->size());
    nativeWindow_ = XCreateWindow(dpy_, root, at.x(), at.y(), static_cast<unsigned>(at.width()),
                                  static_cast<unsigned>(at.height()), 0, visual->depth, InputOutput,
                                  visual->visual, CWColormap | CWBorderPixel | CWOverrideRedirect,
                                  &attributes);
    XFree(visual);
    window_ = QWindow::fromWinId(static_cast<WId>(nativeWindow_));
    if (!window_) return;
    window_->setSurfaceType(QSurface::OpenGLSurface);
    nativeContext_ = glXCreateNewContext(dpy_, config, GLX_RGBA_TYPE, shared->nativeContext(), True);
    if (!nativeContext_) return;
    context_ = QNativeInterface::QGLXContext::fromNative(nativeContext_, Form1->hRC);
    if (!context_ || !context_->makeCurrent(window_)) return;
    // Start-up's fixed state; textures and the marker's list are shared.
    glViewport(0, 0, static_cast<GLsizei>(Form1->ViewWidth), static_cast<GLsizei>(Form1->ViewHeight));
    glEnable(GL_DEPTH_TEST);
    glDepthRange(0.0, 1.0);
    glDepthFunc(GL_LESS);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_TEXTURE_2D);
    Form1->Light();
    Form1->hRC->makeCurrent(Form1->View);
}

DesignContext::~DesignContext() {
    if (context_ && QOpenGLContext::currentContext() == context_) context_->doneCurrent();
    // Qt destroys neither an adopted context nor a foreign window.
    delete context_;
    if (nativeContext_) glXDestroyContext(dpy_, nativeContext_);
    delete window_;
    if (nativeWindow_) XDestroyWindow(dpy_, nativeWindow_);
    if (colormap_) XFreeColormap(dpy_, colormap_);
    Form1->hRC->makeCurrent(Form1->View);
}

bool DesignContext::IsValid() const { return context_ && context_->isValid(); }

bool DesignContext::MakeCurrent() { return context_->makeCurrent(window_); }

QImage FrameFromBackBuffer(void (*draw)(), QSize size) {
    for (int pass = 0; pass < 2; ++pass) {
        Form1->Perspective();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
    }
    glFinish();
    QImage image(size, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored();
}
