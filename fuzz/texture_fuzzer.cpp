// Texture files as the program reads them at start-up: any bytes under a
// texture's name either decode and sample into an opaque 64 by 64 texture, or
// fail with the toolkit's exception; nothing else may happen. The bytes are
// decoded from memory, through the same path as a file's.
#include "platform/Exceptions.h"
#include "texture/TextureImage.h"
#include "texture/BmpError.h"
#include "texture/BmpLayout.h"

#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file loader decides from the first bytes alone how many to read; a copy
    // of just those lets the sanitizer catch a look past them.
    const std::vector<uint8_t> head(data, data + std::min(size, kBmpHeadBytes));
    bool headReads = true;
    uint64_t promised = 0;
    try {
        promised = ReadBmpLayout(head.data(), head.size()).FileLength();
    } catch (const BmpError&) {
        headReads = false;
    }

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage bitmap;
    try {
        DecodeBitmap(bytes, bitmap);
    } catch (const Exception&) {
        return 0;  // a file that does not load ends loading quietly
    }
    if (bitmap.isNull()) std::abort();  // "loaded" must mean an image
    // Only the sampled corner is kept, whatever size the file declares.
    if (bitmap.width() > kTextureSize || bitmap.height() > kTextureSize) std::abort();
    if (!headReads || promised > size) std::abort();  // the file loader would refuse it

    TexelBuffer texels;
    texels.fill(0);
    SampleTexture(bitmap, texels);
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            const uint8_t* t = &texels[static_cast<size_t>(y * kTextureSize + (kTextureSize - 1 - x)) * 4];
            if (t[3] != 255) std::abort();  // textures are always opaque
            const bool inside = x < bitmap.width() && y < bitmap.height();
            if (!inside && (t[0] != 255 || t[1] != 255 || t[2] != 255)) std::abort();
        }
    return 0;
}
