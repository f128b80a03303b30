#pragma once
// Where the GL view sits in its form, and how a small window is kept over it:
// the view is a native child window of the form on every platform.
#include <QPoint>

class GlView;
class QWidget;

// Takes `view` into `form`'s client area; returns the widget the form lays out
// where the picture goes. The form owns both from then on.
QWidget* HostView(GlView* view, QWidget* form);

// Keeps `box`, a frameless parentless widget, over the picture with its top-left
// corner at `at` in view coordinates. Call once the view's window exists; calling
// again does nothing.
void HoldOverView(QWidget* box, GlView* view, const QPoint& at);
