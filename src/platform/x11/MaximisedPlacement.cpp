#include "platform/MaximisedPlacement.h"

// The X window manager (or, without one, Qt) places a maximised window; nothing
// moves it afterwards.
void KeepMaximisedWindowsInPlace() {}
