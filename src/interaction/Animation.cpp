// Spin and phase animation, advanced by a fixed step per tick of Timer1.
#include "platform/Application.h"
#include "shell/MainWindow.h"

#include <QAction>

void TForm1::Timer1Timer(QObject*) {
    // Single-precision accumulation, one fixed step per tick, never wrapped.
    if (rot->isChecked()) SpinAngle = static_cast<float>(SpinAngle + 0.01);
    if (N1->isChecked()) Phase = static_cast<float>(Phase + 0.01);
    ArrowKeysStep();
}
