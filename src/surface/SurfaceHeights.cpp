// The main window's view of the surface model: the formula of the moment.
#include "shell/MainWindow.h"
#include "surface/SurfaceFunctions.h"

float TForm1::glSrfFunc(float x, float z) {
    const SurfaceCoefficients k{CoefA, CoefB, CoefC, CoefT, Phase};
    return static_cast<float>(SurfaceHeight(FuncIndex, k, x, z));
}

int TForm1::sgn(float v) { return SignOf(v); }
