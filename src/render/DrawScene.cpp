// The surface over 40 by 40 cells, redrawn in immediate mode every frame from the
// viewer state of the moment, then the axes marker.
#include "render/Grid.h"
#include "shell/MainWindow.h"

void TForm1::DrawScene() {
    glPushMatrix();
    if (PrimMode == GL_QUADS) {
        // Numbers without a loaded texture draw untextured (object 0).
        const GLuint texture =
            (TexNumber >= 1 && TexNumber <= TexNames.size()) ? TexName(TexNumber - 1) : 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor3b(127, 127, 127);
    } else {
        glColor3b(WireColor.R, WireColor.G, WireColor.B);
    }
    glRotatef(SpinAngle * 10, 0, 1, 0);
    // Heights are asked for with the node's indices as floats.
    const auto f = [this](int i, int j) {
        return glSrfFunc(static_cast<float>(i), static_cast<float>(j));
    };
    // The surface is opaque in both modes (colour alpha 1, lit alpha the material's
    // diffuse 1, texel alpha 255), so blending it would only read the colour buffer
    // back for nothing; the translucent marker still blends.
    glDisable(GL_BLEND);
    glBegin(static_cast<GLenum>(PrimMode));
    for (int i = kFirstCell; i <= kLastCell; ++i) {
        for (int j = kFirstCell; j <= kLastCell; ++j) {
            if (PrimMode == GL_QUADS) {
                const int d = GridStep;
                // The normal follows its vertex, so it serves the next one.
                glTexCoord2f(0, 0);
                glVertex3f(static_cast<float>((i + 1) * d), f(i + 1, j + 1),
                           static_cast<float>((j + 1) * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(1, 0);
                glVertex3f(static_cast<float>((i + 1) * d), f(i + 1, j),
                           static_cast<float>(j * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(1, 1);
                glVertex3f(static_cast<float>(i * d), f(i, j), static_cast<float>(j * d));
                glNormal3f(0, 1, 0);
                glTexCoord2f(0, 1);
                glVertex3f(static_cast<float>(i * d), f(i, j + 1),
                           static_cast<float>((j + 1) * d));
                glNormal3f(0, 1, 0);
            } else {
                const int d = kWireStep;
                // The cell's outline as four segments; inner edges come twice.
                const float x0 = static_cast<float>(i * d), x1 = static_cast<float>((i + 1) * d);
                const float z0 = static_cast<float>(j * d), z1 = static_cast<float>((j + 1) * d);
                glVertex3f(x1, f(i + 1, j + 1), z1);
                glVertex3f(x0, f(i, j + 1), z1);
                glVertex3f(x0, f(i, j + 1), z1);
                glVertex3f(x0, f(i, j), z0);
                glVertex3f(x0, f(i, j), z0);
                glVertex3f(x1, f(i + 1, j), z0);
                glVertex3f(x1, f(i + 1, j), z0);
                glVertex3f(x1, f(i + 1, j + 1), z1);
            }
        }
    }
    glEnd();
    glEnable(GL_BLEND);
    glPopMatrix();
    DrawAxesMarker();
}
