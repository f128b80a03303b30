#pragma once
// The windows Qt draws for the program, compared across desktop schemes. A scheme
// is read when the application starts, so each one needs a run of its own: the
// test program runs itself again, only the current test, in the scheme asked for.
#include <QImage>
#include <QProcessEnvironment>

// The settings window (shown), the frames-per-second box and the context menu,
// side by side on black. In a run started by OwnWindowsIn it saves that picture
// and returns true: the test then ends there.
bool SaveOwnWindowsWhenAsked();
QImage OwnWindows();

// The picture of OwnWindows() in a run of this test alone with `env` set.
QImage OwnWindowsIn(QProcessEnvironment env);

// Pixels that differ between two pictures of the same size (all, where the sizes differ).
qsizetype DifferingPixels(const QImage& a, const QImage& b);
