#pragma once
// Where the compositor, not the program, picks the output a window opens on.
#include <functional>

class QWindow;

// On Wayland Qt holds a new window on the screen it lists first until the
// compositor tells which output it put the window on: `placed` runs once, when Qt
// first moves `window` to another screen. Never on X11 or Windows, where the
// program places its windows itself.
void OnCompositorPlacement(QWindow* window, std::function<void()> placed);
