// Asks a top-level window to close the way a window manager's close button does
// (WM_DELETE_WINDOW), for scripts that drive the viewer on a bare X server: the
// xdotool of Debian 12 can only destroy a window, which no user can do.
//   close_window WINDOW_ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {
bool failed = false;
// A window that is gone by the time the request arrives is not worth a crash.
int Quiet(Display*, XErrorEvent*) {
    failed = true;
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    if (window == 0 || *end != '\0') {
        std::fprintf(stderr, "usage: close_window WINDOW_ID\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "close_window: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(Quiet);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &ev);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return failed ? 1 : 0;
}
