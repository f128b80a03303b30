// One spot light above the far corner of the surface, set once at start-up. It is
// given with an identity modelview, so it stays put in the world whatever the
// camera does.
#include "shell/MainWindow.h"

namespace {
const GLfloat kMatAmbient[] = {0.3f, 0.3f, 0.3f, 1.0f};
const GLfloat kMatDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat kMatEmission[] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat kMatShininess[] = {50.0f};
const GLfloat kMatSpecular[] = {10.7f, 0.7f, 0.7f, 1.0f};
const GLfloat kModelAmbient[] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat kModelLocalViewer[] = {0.0f};
const GLfloat kModelTwoSide[] = {0.0f};
const GLfloat kLightAmbient[] = {0.3f, 0.3f, 0.3f, 1.0f};
const GLfloat kLightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat kLightPosition[] = {400.0f, 500.0f, 400.0f, 1.0f};
const GLfloat kLightSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat kSpotCutoff[] = {90.0f};
const GLfloat kSpotDirection[] = {0.0f, -1.0f, -0.01f};
const GLfloat kSpotExponent[] = {0.0f};
// No constant term: the light falls off as 1000/d and is clamped near it.
const GLfloat kConstantAttenuation[] = {0.0f};
const GLfloat kLinearAttenuation[] = {0.001f};
const GLfloat kQuadraticAttenuation[] = {0.0f};
}  // namespace

void TForm1::Light() {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kMatAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kMatDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, kMatEmission);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, kMatShininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kMatSpecular);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kModelAmbient);
    glLightModelfv(GL_LIGHT_MODEL_LOCAL_VIEWER, kModelLocalViewer);
    glLightModelfv(GL_LIGHT_MODEL_TWO_SIDE, kModelTwoSide);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLightSpecular);
    glLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, kSpotCutoff);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, kSpotDirection);
    glLightfv(GL_LIGHT0, GL_SPOT_EXPONENT, kSpotExponent);
    glLightfv(GL_LIGHT0, GL_CONSTANT_ATTENUATION, kConstantAttenuation);
    glLightfv(GL_LIGHT0, GL_LINEAR_ATTENUATION, kLinearAttenuation);
    glLightfv(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, kQuadraticAttenuation);
    // The current colour feeds the specular reflectance only.
    glColorMaterial(GL_FRONT_AND_BACK, GL_SPECULAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
}
