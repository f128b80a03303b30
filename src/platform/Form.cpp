#include "Form.h"

#include "Application.h"

#include <QCloseEvent>

TForm::TForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void TForm::closeEvent(QCloseEvent* e) {
    e->accept();
    if (Application && Application->MainForm == this) Application->Terminate();
}
