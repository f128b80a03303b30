#include "platform/x11/X11ScreenPixels.h"

#include "platform/x11/X11Display.h"

#include <QScreen>

#include <X11/extensions/Xrandr.h>

namespace {
// The mode of the RandR output Qt made its primary screen from (Qt names a screen
// after its output), rotation included; empty where there is none such.
QSize RandrOutputPixels(Display* dpy, const QString& name) {
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
QSize RandrMonitorPixels(Display* dpy, const QString& name) {
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

QSize X11ScreenPixels(const QScreen* screen) {
    Display* dpy = X11Display();
    if (!dpy || !screen) return {};
    QSize pixels = RandrOutputPixels(dpy, screen->name());
    if (pixels.isEmpty()) pixels = RandrMonitorPixels(dpy, screen->name());
    // Neither (a server without RandR, or with no output on): Qt made its one
    // screen from the X screen itself, whose pixels the server gives.
    return pixels.isEmpty() ? QSize(DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy)))
                            : pixels;
}
