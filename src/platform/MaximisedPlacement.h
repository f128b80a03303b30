#pragma once
// A maximised window stays where the window system maximised it: its frame beyond
// the screen's edges and its client area, with the picture's lower-left corner,
// the screen's (win/, x11/MaximisedPlacement.cpp).

// Installs the guard for every top-level window of the application, once.
void KeepMaximisedWindowsInPlace();
