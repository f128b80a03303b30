#include "platform/NativeFit.h"

#include <QWindow>

#include "platform/x11/X11Display.h"

#include <xcb/xcb.h>

namespace {
// The window `child` lies in; none for a top-level window.
Window ParentOf(Display* dpy, Window child) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, child, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent == root ? 0 : parent;
}
}  // namespace

bool nativefit::Available() { return X11Display() != nullptr; }

bool nativefit::MovesViewOrParent(const QByteArray& type, void* message, WId view) {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) return false;
    const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
    const auto window = static_cast<Window>(view);
    Display* dpy = X11Display();
    return configure->window == window || (dpy && configure->window == ParentOf(dpy, window));
}

void nativefit::Fill(WId view) {
    Display* dpy = X11Display();
    XWindowAttributes outer{}, inner{};
    const auto window = static_cast<Window>(view);
    const Window parent = dpy ? ParentOf(dpy, window) : 0;
    if (!parent || !XGetWindowAttributes(dpy, parent, &outer) || !XGetWindowAttributes(dpy, window, &inner))
        return;
    if (inner.x == 0 && inner.y == 0 && inner.width == outer.width && inner.height == outer.height) return;
    XMoveResizeWindow(dpy, window, 0, 0, static_cast<unsigned>(outer.width), static_cast<unsigned>(outer.height));
    XFlush(dpy);
}

void ResizeToPixels(QWindow* window, QSize pixels) {
    Display* dpy = X11Display();
    if (!dpy || !window || pixels.isEmpty()) return;
    XResizeWindow(dpy, static_cast<Window>(window->winId()), static_cast<unsigned>(pixels.width()),
                  static_cast<unsigned>(pixels.height()));
    XFlush(dpy);
}
