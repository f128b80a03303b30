#include "ViewHost.h"

#include "GlView.h"

#include <QWidget>
#include <QWindow>

QWidget* HostView(GlView* view, QWidget* form) {
    QWidget* container = QWidget::createWindowContainer(view, form);
    container->setFocusPolicy(Qt::StrongFocus);
    return container;
}

// A child widget would draw into the form's own surface, which on Wayland lies
// beneath the GL window's, so the box gets a surface of its own inside the GL
// window: there it stays on top. It keeps no parent widget, which would turn
// every sibling into a native window too.
void HoldOverView(QWidget* box, GlView* view, const QPoint& at) {
    if (!view->handle() || (box->windowHandle() && box->windowHandle()->parent() == view)) return;
    box->winId();
    box->windowHandle()->setParent(view);
    box->move(at);
    box->show();
}
