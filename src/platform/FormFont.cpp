#include "FormFont.h"

QFont FormFont() {
    QFont font(FormFace());
    font.setPixelSize(11);
    return font;
}
