// The numbered texture files, read once at start-up until the first that does
// not load; each becomes one 64 by 64 mipmapped texture.
#include "texture/TextureImage.h"
#include "shell/MainWindow.h"

#include <QImage>

void TForm1::SetupTextures() {
    NextTexNumber = 1;
    glEnable(GL_TEXTURE_2D);
    TexelBuffer texels;
    for (;;) {
        const int n = NextTexNumber;
        try {
            LoadBitmapFile(TextureFileName(n), *TexBitmap);
        } catch (...) {
            // The first missing or unreadable file ends the set, quietly.
            return;
        }
        SampleTexture(*TexBitmap, texels);
        TexNames.resize(n);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glGenTextures(1, &TexNames[n - 1]);
        glBindTexture(GL_TEXTURE_2D, TexNames[n - 1]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, kTextureSize, kTextureSize, GL_RGBA, GL_UNSIGNED_BYTE,
                          texels.data());
        ++NextTexNumber;
    }
}
