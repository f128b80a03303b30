// On X the view's configuration is picked here, before Qt connects: Qt is told
// its visual (-visual), so that every window it makes, the view's among them, has
// that visual, and the context is made from the same configuration. Qt would
// otherwise pick the deepest depth buffer for the window, and a context of the
// wanted depth would not match it.
#include "GlxConfig.h"

#include "platform/GlView.h"
#include "platform/NativeGlConfig.h"
#include "platform/x11/X11Display.h"

#include <QGuiApplication>
#include <QOpenGLContext>

#include <GL/glx.h>

#include <vector>

namespace {
std::function<bool(const FramebufferTraits&)> hiddenForTesting;

// The configuration picked before start-up, by its server-side ids, which hold
// on any connection to the same display.
int chosenConfigId = 0;
VisualID chosenVisual = 0;

QOpenGLContext* adoptedContext = nullptr;

// The connection the configuration was picked on stays open until Qt has its
// own: an X server with no client left resets itself, and a connection made
// while it does so is refused.
struct ProbeConnection {
    Display* dpy = nullptr;
    void Close() {
        if (dpy) XCloseDisplay(dpy);
        dpy = nullptr;
    }
    ~ProbeConnection() { Close(); }
} probe;

bool WillRunOnX() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !qEnvironmentVariableIsEmpty("DISPLAY") &&
           (platform.isEmpty() || platform.startsWith("xcb"));
}

int Attribute(Display* dpy, GLXFBConfig config, int attribute) {
    int value = 0;
    glXGetFBConfigAttrib(dpy, config, attribute, &value);
    return value;
}

FramebufferTraits TraitsOf(Display* dpy, GLXFBConfig config) {
    FramebufferTraits t;
    t.depth = Attribute(dpy, config, GLX_DEPTH_SIZE);
    t.stencil = Attribute(dpy, config, GLX_STENCIL_SIZE);
    t.alpha = Attribute(dpy, config, GLX_ALPHA_SIZE);
    t.accum = Attribute(dpy, config, GLX_ACCUM_RED_SIZE);
    t.samples = Attribute(dpy, config, GLX_SAMPLES);
    t.slow = Attribute(dpy, config, GLX_CONFIG_CAVEAT) != GLX_NONE;
    return t;
}

// Double-buffered true-colour window configurations with 8 bits a colour channel.
std::vector<GLXFBConfig> WindowConfigs(Display* dpy, int screen, const int* extra = nullptr) {
    std::vector<int> attributes = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                                   GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR,
                                   GLX_DOUBLEBUFFER, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                                   GLX_BLUE_SIZE, 8};
    for (; extra && *extra != None; ++extra) attributes.push_back(*extra);
    attributes.push_back(None);
    int count = 0;
    GLXFBConfig* list = glXChooseFBConfig(dpy, screen, attributes.data(), &count);
    std::vector<GLXFBConfig> configs;
    for (int i = 0; i < count; ++i) {
        if (Attribute(dpy, list[i], GLX_RED_SIZE) == 8 && Attribute(dpy, list[i], GLX_GREEN_SIZE) == 8 &&
            Attribute(dpy, list[i], GLX_BLUE_SIZE) == 8 && Attribute(dpy, list[i], GLX_VISUAL_ID) != 0)
            configs.push_back(list[i]);
    }
    if (list) XFree(list);
    return configs;
}

void Choose(Display* dpy) {
    int errorBase = 0, eventBase = 0;
    if (!glXQueryExtension(dpy, &errorBase, &eventBase)) return;
    std::vector<OfferedFramebuffer> offered;
    std::vector<FramebufferTraits> traits;
    for (const OfferedFramebuffer& o : OfferedFramebuffers(dpy)) {
        if (hiddenForTesting && hiddenForTesting(o.traits)) continue;
        offered.push_back(o);
        traits.push_back(o.traits);
    }
    const int chosen = ChooseFramebuffer(traits);
    if (chosen < 0) return;
    chosenConfigId = offered[static_cast<size_t>(chosen)].id;
    chosenVisual = offered[static_cast<size_t>(chosen)].visual;
}
}  // namespace

std::vector<OfferedFramebuffer> OfferedFramebuffers(Display* dpy) {
    std::vector<OfferedFramebuffer> offered;
    for (GLXFBConfig config : WindowConfigs(dpy, DefaultScreen(dpy)))
        offered.push_back({Attribute(dpy, config, GLX_FBCONFIG_ID),
                           static_cast<VisualID>(Attribute(dpy, config, GLX_VISUAL_ID)), TraitsOf(dpy, config)});
    return offered;
}

void HideFramebuffersForTesting(std::function<bool(const FramebufferTraits&)> hidden) {
    hiddenForTesting = std::move(hidden);
}

QByteArrayList PrepareNativeGlConfig() {
    chosenConfigId = 0;
    chosenVisual = 0;
    if (!WillRunOnX()) return {};
    // A connection of our own: Qt's does not exist yet.
    probe.Close();
    probe.dpy = XOpenDisplay(nullptr);
    if (!probe.dpy) return {};
    Choose(probe.dpy);
    if (!chosenConfigId) return {};
    return {QByteArrayLiteral("-visual"), "0x" + QByteArray::number(static_cast<qulonglong>(chosenVisual), 16)};
}

QOpenGLContext* CreateNativeGlContext(GlView* view) {
    probe.Close();
    Display* dpy = X11Display();
    if (!chosenConfigId || !view || !dpy) return nullptr;
    // Where Qt did not give the window the picked visual, its own context, made
    // for the window's configuration, serves.
    XWindowAttributes window{};
    if (!XGetWindowAttributes(dpy, static_cast<Window>(view->winId()), &window) || !window.visual ||
        window.visual->visualid != chosenVisual)
        return nullptr;
    const int byId[] = {GLX_FBCONFIG_ID, chosenConfigId, None};
    const std::vector<GLXFBConfig> configs = WindowConfigs(dpy, DefaultScreen(dpy), byId);
    if (configs.empty()) return nullptr;
    GLXContext native = glXCreateNewContext(dpy, configs.front(), GLX_RGBA_TYPE, nullptr, True);
    if (!native) return nullptr;
    QOpenGLContext* rc = QNativeInterface::QGLXContext::fromNative(native);
    if (!rc) {
        glXDestroyContext(dpy, native);
        return nullptr;
    }
    adoptedContext = rc;
    return rc;
}

bool DestroyNativeGlContext(QOpenGLContext* rc) {
    // Qt does not destroy a context it adopted.
    if (!rc || rc != adoptedContext) return false;
    adoptedContext = nullptr;
    Display* dpy = X11Display();
    auto* glx = rc->nativeInterface<QNativeInterface::QGLXContext>();
    GLXContext native = glx ? glx->nativeContext() : nullptr;
    delete rc;
    if (dpy && native) glXDestroyContext(dpy, native);
    return true;
}
