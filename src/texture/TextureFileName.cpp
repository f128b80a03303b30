#include "texture/TextureFileName.h"

QString TextureFileName(int n) {
    return QStringLiteral("Textures/00") + QString::number(n) + QStringLiteral(".bmp");
}
