#include "support/Picture.h"

#include "platform/GlView.h"
#include "shell/MainWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {
QSize DrawableSize() {
    const qreal dpr = Form1->View->devicePixelRatio();
    return QSize(qRound(Form1->View->width() * dpr), qRound(Form1->View->height() * dpr));
}
}  // namespace

QImage RenderedPicture() {
    bool done = false;
    Form1->IdleRender(Form1, done);
    Form1->IdleRender(Form1, done);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Form1->DrawScene();
    glFinish();
    const QSize size = DrawableSize();
    QImage image(size, QImage::Format_RGBA8888);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored();
}

QPoint PixelOf(double x, double y, double z) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    if (!gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz)) return QPoint(-1, -1);
    const QSize size = DrawableSize();
    const QPoint p(static_cast<int>(wx), size.height() - 1 - static_cast<int>(wy));
    return QRect(QPoint(0, 0), size).contains(p) ? p : QPoint(-1, -1);
}
