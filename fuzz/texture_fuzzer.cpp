// Texture files as the program reads them at start-up: any bytes under a
// texture's name either load and sample into an opaque 64 by 64 texture, or
// fail with the toolkit's exception; nothing else may happen.
#include "platform/Exceptions.h"
#include "render/TextureImage.h"

#include <QImage>
#include <QtGlobal>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/texture_fuzzer_" +
               std::to_string(getpid()) + ".bmp";
    }();
    return path;
}
}  // namespace

// Qt warns on stderr about pixels of malformed but readable files (a palette
// index beyond the colour table reads as black); at this rate that only drowns
// the fuzzer's own report.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    QImage bitmap;
    try {
        LoadBitmapFile(QString::fromStdString(path), bitmap);
    } catch (const Exception&) {
        return 0;  // a file that does not load ends loading quietly
    }
    if (bitmap.isNull()) std::abort();  // "loaded" must mean an image

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
