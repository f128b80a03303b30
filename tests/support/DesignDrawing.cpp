#include "support/DesignDrawing.h"

#include "platform/GlView.h"
#include "render/Grid.h"
#include "shell/MainWindow.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

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

DesignContext::DesignContext(bool stencil) {
    QSurfaceFormat format = Form1->View->format();
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(stencil ? 8 : 0);
    window_ = new QWindow;
    window_->setSurfaceType(QSurface::OpenGLSurface);
    window_->setFormat(format);
    window_->setFlags(Qt::FramelessWindowHint);
    window_->setGeometry(QRect(Form1->View->mapToGlobal(QPoint(0, 0)), Form1->View->size()));
    window_->create();
    context_ = new QOpenGLContext;
    context_->setFormat(format);
    context_->setShareContext(Form1->hRC);
    if (!context_->create() || !context_->makeCurrent(window_)) return;
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
    delete context_;
    delete window_;
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
