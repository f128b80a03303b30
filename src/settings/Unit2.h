#pragma once
// The settings tool window: formula, coefficients, mode, texture and wire colour.
#include "platform/Form.h"

class TForm2 : public TForm {
public:
    TForm2();

    void FormCreate(QObject* Sender);
};

extern TForm2* Form2;
