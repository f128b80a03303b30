#pragma once
// The primary screen's size in device pixels, as the window system reports it.
// Qt's logical size times a fractional scale is not it: 853 × 1.5 is 1279.5 where
// the screen has 1280 pixels, and the picture would be a fraction off its shape.
#include <QSize>

QSize ScreenPixels();
