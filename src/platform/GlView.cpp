#include "GlView.h"

#include "WindowSystem.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

GlView::GlView(QWindow* parent) : QWindow(parent) { setSurfaceType(QSurface::OpenGLSurface); }

// In the units the pointer itself moves in, so that a drag turns the view as far
// at 150 % as at 100 % for the same hand movement: device pixels on X11 and
// Windows, as the design reads its client pixels on a scaled screen; logical
// pixels on Wayland, where the compositor moves the pointer in them.
void GlView::mouseMoveEvent(QMouseEvent* e) {
    static const bool logical = CurrentWindowSystem() == WindowSystem::Wayland;
    const QPoint p = (logical ? e->position() : e->position() * devicePixelRatio()).toPoint();
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
    ForwardKey(e);
}

void GlView::keyReleaseEvent(QKeyEvent* e) { ForwardKey(e); }

// Some compositors (Weston) give the keyboard to the surface clicked, this view,
// rather than to its window. Its keys go on to the window around it, which hands
// them to an open menu or to the focused widget, as if it had them first.
void GlView::ForwardKey(QKeyEvent* e) {
    if (QWindow* window = parent())
        QCoreApplication::sendEvent(window, e);
    else
        e->ignore();
}

void GlView::exposeEvent(QExposeEvent*) {
    if (isExposed() && onPaint) onPaint();
}
