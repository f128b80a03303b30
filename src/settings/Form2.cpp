#include "settings/Unit2.h"

#include "shell/Unit1.h"

TForm2* Form2 = nullptr;

TForm2::TForm2() : TForm(Form1, Qt::Tool) {
    setWindowTitle(QStringLiteral("Параметры и коэффициенты"));
}

void TForm2::FormCreate(QObject*) {}
