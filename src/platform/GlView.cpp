#include "GlView.h"

#include <QKeyEvent>
#include <QMouseEvent>

GlView::GlView(QWindow* parent) : QWindow(parent) { setSurfaceType(QSurface::OpenGLSurface); }

void GlView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (onMouseMove) onMouseMove(e->buttons(), p.x(), p.y());
}

void GlView::mouseReleaseEvent(QMouseEvent* e) {
    // The context menu opens on release of the right button, at the pointer.
    if (e->button() == Qt::RightButton && onContextMenu)
        onContextMenu(e->globalPosition().toPoint());
}

void GlView::keyPressEvent(QKeyEvent* e) {
    // The keyboard's menu key opens it at the top-left corner of the client area.
    if (e->key() == Qt::Key_Menu && onContextMenu) {
        onContextMenu(mapToGlobal(QPoint(0, 0)));
        return;
    }
    QWindow::keyPressEvent(e);
}

void GlView::exposeEvent(QExposeEvent*) {
    if (isExposed() && onPaint) onPaint();
}
