#pragma once
// The picture the viewer draws, read back from GL.
#include <QImage>

// Renders two idle frames, so that the camera is loaded, then draws the scene once
// more into the back buffer and reads it before any swap. The image is the size
// of the window's drawable, top row first.
QImage RenderedPicture();

// The pixel where a world point lands in that picture (the modelview is the
// identity when a frame begins), or (-1, -1) outside it.
QPoint PixelOf(double x, double y, double z);
