#pragma once
// The window-system side of choosing the view's framebuffer configuration. GLX
// lets a driver refuse a context on a window whose visual is not the context's
// configuration's, so where the program picks the configuration itself it picks
// one for both, before any window exists.
#include <QByteArrayList>

class QOpenGLContext;
class GlView;

// Before the application object exists: picks the framebuffer configuration the view's window and its
// context will share, where the window system lets the program pick it; returns the arguments to add
// to Qt's command line for it (empty where Qt's own choice serves).
QByteArrayList PrepareNativeGlConfig();
// A context made from the configuration picked above, or nullptr where Qt's own context serves.
QOpenGLContext* CreateNativeGlContext(GlView* view);
// Destroys a context made by CreateNativeGlContext; false when `rc` is not one.
bool DestroyNativeGlContext(QOpenGLContext* rc);
