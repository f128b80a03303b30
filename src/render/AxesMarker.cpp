// Three white arrows above the centre of the surface, recorded once into a display
// list and turned with the surface.
#include "shell/MainWindow.h"

namespace {
void Arrow(GLUquadric* q) {
    gluCylinder(q, 2, 2, 150, 12, 1);
}
void ArrowHead(GLUquadric* q) {
    glTranslatef(0, 0, 150);
    gluCylinder(q, 6, 0, 50, 12, 1);
}
}  // namespace

void TForm1::BuildAxesMarker() {
    AxesQuadric = gluNewQuadric();
    gluQuadricTexture(AxesQuadric, GL_TRUE);
    gluQuadricDrawStyle(AxesQuadric, GLU_FILL);
    gluQuadricNormals(AxesQuadric, GLU_SMOOTH);
    gluQuadricOrientation(AxesQuadric, GLU_OUTSIDE);

    glNewList(ListBase + 1, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4f(1, 1, 1, 0.2f);
    // +y: the z-pointing arrow stood up.
    glPushMatrix();
    glRotatef(-90, 1, 0, 0);
    Arrow(AxesQuadric);
    glPopMatrix();
    glPushMatrix();
    glRotatef(-90, 1, 0, 0);
    ArrowHead(AxesQuadric);
    glPopMatrix();
    // +z: as built.
    glPushMatrix();
    Arrow(AxesQuadric);
    glPopMatrix();
    glPushMatrix();
    ArrowHead(AxesQuadric);
    glPopMatrix();
    // +x: turned about y.
    glPushMatrix();
    glRotatef(90, 0, 1, 0);
    Arrow(AxesQuadric);
    glPopMatrix();
    glPushMatrix();
    glRotatef(90, 0, 1, 0);
    ArrowHead(AxesQuadric);
    glPopMatrix();
    glEndList();
}

void TForm1::DrawAxesMarker() {
    glPushMatrix();
    glTranslatef(0, 30, 0);
    glRotatef(SpinAngle * 10, 0, 1, 0);
    glCallList(ListBase + 1);
    glPopMatrix();
}
