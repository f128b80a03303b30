#pragma once
// Native windows sized in device pixels. Qt keeps geometry in logical pixels and
// rounds at a fractional scale: a window 1024 pixels high at 1.5 is 682.67 logical
// pixels, kept as 683, and made 1025 pixels high again. Where the window system
// lets the program size its windows (X11, Windows), these keep the exact pixels;
// elsewhere they do nothing (NativeFit.cpp, with x11/ and win/NativeFit.cpp).
#include <QSize>
#include <qwindowdefs.h>

class QByteArray;
class QWindow;

// Gives the top-level `window`'s client area exactly `pixels`, its place unchanged.
void ResizeToPixels(QWindow* window, QSize pixels);

// Keeps the native child `view` covering its parent's client area exactly, from
// now on: its lower-left corner, where the picture is anchored, is the client
// area's, whatever Qt's rounding makes of the view's logical geometry.
void KeepFillingParent(QWindow* view);

// What each window system supplies to the above.
namespace nativefit {
// Whether this run has native windows to size: not on Wayland.
bool Available();
// Whether the native event `message` of Qt's `type` moves or resizes the window
// `view` or its parent.
bool MovesViewOrParent(const QByteArray& type, void* message, WId view);
// Makes the native child `view` cover its parent's client area, if it does not.
void Fill(WId view);
}  // namespace nativefit
