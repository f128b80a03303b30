#include "shell/Unit1.h"

void TForm1::SetupTextures() {
    NextTexNumber = 1;
    glEnable(GL_TEXTURE_2D);
}
