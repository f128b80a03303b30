#include "platform/ScreenPixels.h"
#include "platform/wayland/OutputPixels.h"

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

// The size of the RandR monitor of that name, such as one the user defined over
// part of the desktop (Qt names a screen after it, from RandR 1.5 on); empty
// where there is none such.
QSize MonitorPixels(Display* dpy, const QString& name) {
    int major = 0, minor = 0;
    if (!XRRQueryVersion(dpy, &major, &minor) || major * 100 + minor < 105) return {};
    QSize size;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(dpy, DefaultRootWindow(dpy), True, &count);
    for (int i = 0; monitors && i < count && size.isEmpty(); ++i) {
        char* monitorName = XGetAtomName(dpy, monitors[i].name);
        if (monitorName && QString::fromLocal8Bit(monitorName) == name)
            size = QSize(monitors[i].width, monitors[i].height);
        if (monitorName) XFree(monitorName);
    }
    if (monitors) XRRFreeMonitors(monitors);
    return size;
}
}  // namespace

QSize ScreenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        Display* dpy = x11->display();
        QSize pixels = OutputPixels(dpy, screen->name());
        if (pixels.isEmpty()) pixels = MonitorPixels(dpy, screen->name());
        // Neither (Xinerama's heads, a server without RandR): the screen's own
        // geometry, never the root window's, which spans every monitor.
        return pixels.isEmpty() ? screen->geometry().size() * screen->devicePixelRatio() : pixels;
    }
    // Wayland: as many pixels as a window covering the output draws, at the
    // output's fractional scale where windows draw at it, or else at the
    // whole-number buffer scale that Qt reports.
    if (const QSize output = FractionalOutputPixels(screen); !output.isEmpty()) return output;
    const qreal ratio = screen->devicePixelRatio();
    return {static_cast<int>(std::lround(screen->size().width() * ratio)),
            static_cast<int>(std::lround(screen->size().height() * ratio))};
}
