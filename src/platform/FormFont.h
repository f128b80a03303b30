#pragma once

#include <QFont>
#include <QString>

// The face the forms are laid out for, "MS Sans Serif", as this platform has
// it (win/FormFace.cpp, x11/FormFace.cpp).
QString FormFace();

// The forms' font: that face at 11 pixels, scaled with the display like every
// other length of the forms.
QFont FormFont();
