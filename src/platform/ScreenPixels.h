#pragma once
// The size in device pixels, as the window system reports it, of the screen the
// main window covers: the primary monitor on X11 and Windows, where the program
// places the window; on Wayland, where the compositor does, the output Qt has
// `window` on. Qt's logical size times a fractional scale is not it: 853 × 1.5
// is 1279.5 where the screen has 1280 pixels, and the picture would be a
// fraction off its shape.
#include <QSize>

class QWindow;

QSize ScreenPixels(const QWindow* window);
