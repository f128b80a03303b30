#pragma once
// The frame as first written, the yardstick for faster drawing: blending stays on
// for the whole frame, and the context has the stencil buffer the pixel-format
// descriptor asks for. Faster drawing must give the same bytes.
#include <QImage>

// X's handles, without X's headers and their macros.
struct _XDisplay;
struct __GLXcontextRec;

class QOpenGLContext;
class QWindow;

// Form1's scene exactly as first written: the mesh and the marker, blending on.
void DrawSceneAsDesigned();

// A frameless window over the view, of the view's size, with its own context that
// shares Form1's textures and display lists; window and context are made from one
// GLX configuration. Its fixed state is set as start-up sets Form1's; only the
// buffers differ (24 depth bits, with or without 8 stencil).
class DesignContext {
public:
    // Over the view, or at `geometry` where one is given.
    explicit DesignContext(bool stencil, QRect geometry = {});
    ~DesignContext();
    DesignContext(const DesignContext&) = delete;
    DesignContext& operator=(const DesignContext&) = delete;

    bool IsValid() const;
    bool MakeCurrent();
    QWindow* Window() const { return window_; }
    QOpenGLContext* Context() const { return context_; }

private:
    _XDisplay* dpy_ = nullptr;
    unsigned long colormap_ = 0;
    unsigned long nativeWindow_ = 0;
    __GLXcontextRec* nativeContext_ = nullptr;
    QWindow* window_ = nullptr;
    QOpenGLContext* context_ = nullptr;
};

// Clears, loads the camera and draws with `draw` twice on the context current now
// (so the normal and binding the marker leaves are in force, as in any frame but
// the first), then reads the back buffer before any swap, top row first.
QImage FrameFromBackBuffer(void (*draw)(), QSize size);
