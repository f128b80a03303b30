#pragma once
// A Wayland output's size in device pixels, as a window covering it draws it.
#include <QSize>

class QScreen;

// Where the compositor has windows draw at the output's fractional scale
// (wp_fractional_scale_v1, which Qt follows from 6.5 on), a window covering the
// output has as many pixels as the output's mode: its logical size times the
// whole-number buffer scale that Qt reports (2 at 125 % and at 150 %) would
// overshoot it. Elsewhere a window draws at that whole-number scale, and has its
// logical size times it. Empty where the program is not on Wayland.
QSize WaylandOutputPixels(const QScreen* screen);
