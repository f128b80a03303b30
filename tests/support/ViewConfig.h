#pragma once
// What the X server and GLX say of the running view: the visual its window was
// made with and the configuration of the context current on it.
class QWindow;

struct ViewConfig {
    unsigned long windowVisual = 0;
    unsigned long contextVisual = 0;  // the visual of the current context's configuration
    int contextConfigId = 0;          // that configuration's GLX_FBCONFIG_ID
    int depthBits = -1;
    int stencilBits = -1;
};

// Read from GLX on the current context; all zero off X or without a context.
ViewConfig ReadViewConfig(QWindow* view);
