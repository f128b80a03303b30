#pragma once
// The window-system side of OpenGL: pixel format, rendering context, making it
// current, presenting. Replaceable, so that tests can make context creation fail.
#include <QSize>

#include <cstdint>

class QOpenGLContext;
class GlView;

#ifdef _WIN32
// Windows' own pixel-format request and flags.
#include <windows.h>
#else
// The pixel-format request, field for field; the window system takes the nearest
// format it offers.
struct PIXELFORMATDESCRIPTOR {
    uint16_t nSize;
    uint16_t nVersion;
    uint32_t dwFlags;
    uint8_t iPixelType;
    uint8_t cColorBits;
    uint8_t cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    uint8_t cAlphaBits, cAlphaShift;
    uint8_t cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    uint8_t cDepthBits;
    uint8_t cStencilBits;
    uint8_t cAuxBuffers;
    uint8_t iLayerType;
    uint8_t bReserved;
    uint32_t dwLayerMask, dwVisibleMask, dwDamageMask;
};

constexpr uint32_t PFD_DOUBLEBUFFER = 0x1;
constexpr uint32_t PFD_DRAW_TO_WINDOW = 0x4;
constexpr uint32_t PFD_SUPPORT_OPENGL = 0x20;
#endif

class GlPlatform {
public:
    virtual ~GlPlatform() = default;
    // Records the nearest offered format for the view; returns its index (1-based).
    virtual int ChoosePixelFormat(GlView* dc, const PIXELFORMATDESCRIPTOR& pfd);
    // Binds the format to the view's native window.
    virtual bool SetPixelFormat(GlView* dc, int format, const PIXELFORMATDESCRIPTOR& pfd);
    // A new context for the view, or nullptr.
    virtual QOpenGLContext* CreateContext(GlView* dc);
    // Makes `rc` current on the calling thread with `dc`; with both null, releases it.
    virtual bool MakeCurrent(GlView* dc, QOpenGLContext* rc);
    virtual void DeleteContext(QOpenGLContext* rc);
    // The current context's viewport, at the lower-left corner: set now, and kept
    // until the view has its drawable.
    void SetViewport(int width, int height);
    // Presents the back buffer of the view.
    virtual void SwapBuffers(GlView* dc, QOpenGLContext* rc);

private:
    // The context last made current with an exposed view, which has its drawable.
    QOpenGLContext* exposedWith_ = nullptr;
    // The viewport the program gave the context `viewportOf_`.
    QOpenGLContext* viewportOf_ = nullptr;
    QSize viewport_;
};

// The platform in force; tests may install their own and restore with nullptr.
GlPlatform& CurrentGlPlatform();
void SetGlPlatform(GlPlatform* platform);
