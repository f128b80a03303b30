// Spin and phase animation, switched from the context menu and advanced per tick.
#include "platform/Application.h"
#include "settings/Unit2.h"
#include "shell/Unit1.h"

#include <QAction>

void TForm1::Timer1Timer(QObject*) {
    // Single-precision accumulation, one fixed step per tick, never wrapped.
    if (rot->isChecked()) SpinAngle = static_cast<float>(SpinAngle + 0.01);
    if (N1->isChecked()) Phase = static_cast<float>(Phase + 0.01);
    ArrowKeysStep();
}

void TForm1::rotClick(QObject*) { rot->setChecked(!rot->isChecked()); }

void TForm1::N1Click(QObject*) { N1->setChecked(!N1->isChecked()); }

void TForm1::N3Click(QObject*) {
    Form2->show();
    Form2->raise();
    Form2->activateWindow();
}
