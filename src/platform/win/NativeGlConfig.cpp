// On Windows Qt makes the WGL context from the pixel format it set on the view's
// window, so window and context share one format without the program's help.
#include "platform/NativeGlConfig.h"

QByteArrayList PrepareNativeGlConfig() { return {}; }

QOpenGLContext* CreateNativeGlContext(GlView*) { return nullptr; }

bool DestroyNativeGlContext(QOpenGLContext*) { return false; }
