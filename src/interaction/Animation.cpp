// Spin and phase animation, advanced by a fixed step per tick of Timer1.
#include "interaction/AnimationStep.h"
#include "platform/Application.h"
#include "shell/MainWindow.h"

#include <QAction>

void TForm1::Timer1Timer(QObject*) {
    // Single-precision accumulation, one fixed step per tick, each accumulator
    // within its period.
    if (rot->isChecked()) SpinAngle = AnimationStep(SpinAngle, kSpinPeriod);
    if (N1->isChecked()) Phase = AnimationStep(Phase, kPhasePeriod);
    ArrowKeysStep();
}
