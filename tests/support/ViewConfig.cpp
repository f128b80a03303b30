#include "support/ViewConfig.h"

#include <QGuiApplication>
#include <QWindow>

#include <GL/glx.h>

ViewConfig ReadViewConfig(QWindow* view) {
    ViewConfig c;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    GLXContext context = glXGetCurrentContext();
    if (!x11 || !view || !context) return c;
    Display* dpy = x11->display();
    XWindowAttributes window{};
    if (XGetWindowAttributes(dpy, static_cast<Window>(view->winId()), &window) && window.visual)
        c.windowVisual = window.visual->visualid;
    int id = 0;
    glXQueryContext(dpy, context, GLX_FBCONFIG_ID, &id);
    c.contextConfigId = id;
    const int byId[] = {GLX_FBCONFIG_ID, id, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), byId, &count);
    if (configs && count > 0) {
        int visual = 0;
        glXGetFBConfigAttrib(dpy, configs[0], GLX_VISUAL_ID, &visual);
        c.contextVisual = static_cast<unsigned long>(visual);
        glXGetFBConfigAttrib(dpy, configs[0], GLX_DEPTH_SIZE, &c.depthBits);
        glXGetFBConfigAttrib(dpy, configs[0], GLX_STENCIL_SIZE, &c.stencilBits);
    }
    if (configs) XFree(configs);
    return c;
}
