#include "platform/NativeFit.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace {
Display* XDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// The window `child` lies in; none for a top-level window.
Window ParentOf(Display* dpy, Window child) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, child, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent == root ? 0 : parent;
}

void Fill(Display* dpy, Window view) {
    XWindowAttributes outer{}, inner{};
    const Window parent = ParentOf(dpy, view);
    if (!parent || !XGetWindowAttributes(dpy, parent, &outer) || !XGetWindowAttributes(dpy, view, &inner))
        return;
    if (inner.x == 0 && inner.y == 0 && inner.width == outer.width && inner.height == outer.height) return;
    XMoveResizeWindow(dpy, view, 0, 0, static_cast<unsigned>(outer.width), static_cast<unsigned>(outer.height));
    XFlush(dpy);
}

// Whenever Qt, a window manager or the user changes the view or its parent, the
// view is made to fill the parent again once the change has been taken in.
class FillGuard : public QAbstractNativeEventFilter {
public:
    explicit FillGuard(Display* dpy) : dpy_(dpy) {}
    QPointer<QWindow> view;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !view || !view->handle()) return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) return false;
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        const auto window = static_cast<Window>(view->winId());
        if (configure->window == window || configure->window == ParentOf(dpy_, window))
            QTimer::singleShot(0, view, [dpy = dpy_, v = view] {
                if (v && v->handle()) Fill(dpy, static_cast<Window>(v->winId()));
            });
        return false;
    }

private:
    Display* dpy_;
};
}  // namespace

void ResizeToPixels(QWindow* window, QSize pixels) {
    Display* dpy = XDisplay();
    if (!dpy || !window || pixels.isEmpty()) return;
    XResizeWindow(dpy, static_cast<Window>(window->winId()), static_cast<unsigned>(pixels.width()),
                  static_cast<unsigned>(pixels.height()));
    XFlush(dpy);
}

void KeepFillingParent(QWindow* view) {
    Display* dpy = XDisplay();
    if (!dpy || !view) return;
    // One guard for the program's one view; kept to the end, as Qt keeps its filters.
    static FillGuard* guard = nullptr;
    if (!guard) {
        guard = new FillGuard(dpy);
        qGuiApp->installNativeEventFilter(guard);
    }
    guard->view = view;
    Fill(dpy, static_cast<Window>(view->winId()));
}
