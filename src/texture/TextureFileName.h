#pragma once
// The one naming rule of texture files, shared by the viewer, the generator of
// the texture set and the tests.
#include <QString>

// "Textures/00" + n + ".bmp", relative to the working directory: texture 10 is
// Textures/0010.bmp.
QString TextureFileName(int n);
