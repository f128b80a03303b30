#include "platform/ScreenPixels.h"

#include <QGuiApplication>
#include <QScreen>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>

namespace {
// The mode of the RandR output Qt made its primary screen from (Qt names a screen
// after its output), rotation included; empty where there is none such.
QSize OutputPixels(Display* dpy, const QString& name) {
    QSize size;
    const Window root = DefaultRootWindow(dpy);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(dpy, root);
    for (int i = 0; resources && i < resources->noutput && size.isEmpty(); ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(dpy, resources, resources->outputs[i]);
        if (output && output->crtc && QString::fromLocal8Bit(output->name, output->nameLen) == name) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(dpy, resources, output->crtc)) {
                size = QSize(static_cast<int>(crtc->width), static_cast<int>(crtc->height));
                XRRFreeCrtcInfo(crtc);
            }
        }
        if (output) XRRFreeOutputInfo(output);
    }
    if (resources) XRRFreeScreenResources(resources);
    return size;
}
}  // namespace

QSize ScreenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        Display* dpy = x11->display();
        const QSize output = OutputPixels(dpy, screen->name());
        if (!output.isEmpty()) return output;
        // A server without RandR outputs has the one screen.
        const int n = DefaultScreen(dpy);
        return {DisplayWidth(dpy, n), DisplayHeight(dpy, n)};
    }
    // Wayland: an output's logical size times its whole-number buffer scale is
    // its mode.
    const qreal ratio = screen->devicePixelRatio();
    return {static_cast<int>(std::lround(screen->size().width() * ratio)),
            static_cast<int>(std::lround(screen->size().height() * ratio))};
}
