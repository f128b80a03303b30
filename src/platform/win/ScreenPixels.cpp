#include "platform/ScreenPixels.h"

#include <windows.h>

// The program is per-monitor DPI aware: these are the primary monitor's pixels.
QSize ScreenPixels(const QWindow*) { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }
