#pragma once
// The windows Qt draws for the program, compared across desktop schemes. A scheme is
// read when the application starts: the test program runs itself again for each.
#include <QImage>
#include <QProcessEnvironment>
// The settings window (shown), the frames-per-second box and the menu, side by side.
QImage OwnWindows();
// In a run started by OwnWindowsIn: saves OwnWindows() for it and returns true.
bool SaveOwnWindowsWhenAsked();
// OwnWindows() of a run of the current test alone with `env`.
QImage OwnWindowsIn(QProcessEnvironment env);
// Pixels that differ; all of the larger picture where the sizes differ.
qsizetype DifferingPixels(const QImage& a, const QImage& b);
