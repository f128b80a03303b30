#pragma once
// An X11 screen's size in device pixels, as the server reports it.
#include <QSize>

class QScreen;

// The mode of the RandR output Qt made `screen` from, or the size of the RandR
// monitor, or else of the X screen; empty where the program is not on X11.
QSize X11ScreenPixels(const QScreen* screen);
