// Texture files: one BMP decoded into a scratch image, then sampled into 64 by 64
// RGBA texels. Kept free of GL so that it can be checked without a display.
#include "texture/TextureImage.h"

#include "platform/Exceptions.h"
#include "texture/BmpDecoder.h"
#include "texture/BmpError.h"
#include "texture/BmpLayout.h"

#include <QByteArray>
#include <QFile>
#include <QImage>

#include <memory>
#include <vector>

namespace {
[[noreturn]] void Fail(const QString& what, const char* why) {
    throw Exception(QStringLiteral("Cannot load the bitmap %1: %2").arg(what, QString::fromUtf8(why)));
}

const uint8_t* Bytes(const QByteArray& b) { return reinterpret_cast<const uint8_t*>(b.constData()); }

// The image takes the decoded words over instead of copying them: a large bitmap
// is held once, not twice.
QImage Adopt(BmpImage&& decoded) {
    using Words = std::vector<uint32_t>;
    auto words = std::make_unique<Words>(std::move(decoded.pixels));
    QImage image(reinterpret_cast<uchar*>(words->data()), decoded.width, decoded.height,
                 qsizetype(decoded.width) * 4, QImage::Format_RGB32,
                 [](void* w) { delete static_cast<Words*>(w); }, words.get());
    if (image.isNull()) throw BmpError("no memory for the image");
    words.release();  // owned by the image from here on
    return image;
}

void Decode(const QString& what, const QByteArray& bytes, QImage& bitmap) {
    try {
        bitmap = Adopt(DecodeBmp(Bytes(bytes), size_t(bytes.size())));
    } catch (const BmpError& e) {
        Fail(what, e.what());
    }
}
}  // namespace

void LoadBitmapFile(const QString& path, QImage& bitmap) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(path, qPrintable(file.errorString()));
    // Only as many bytes as the headers promise are read: trailing data, however
    // long, costs nothing, and a short file is refused before its pixels are read.
    uint64_t length = 0;
    try {
        const QByteArray head = file.peek(qint64(kBmpHeadBytes));
        length = ReadBmpLayout(Bytes(head), size_t(head.size())).FileLength();
    } catch (const BmpError& e) {
        Fail(path, e.what());
    }
    if (uint64_t(file.size()) < length) Fail(path, "file is truncated");
    const QByteArray bytes = file.read(qint64(length));
    if (uint64_t(bytes.size()) != length) Fail(path, qPrintable(file.errorString()));
    Decode(path, bytes, bitmap);
}

void DecodeBitmap(const QByteArray& bytes, QImage& bitmap) {
    Decode(QStringLiteral("in memory"), bytes, bitmap);
}

void SampleTexture(const QImage& bitmap, TexelBuffer& texels) {
    for (int x = 0; x < kTextureSize; ++x) {
        for (int y = 0; y < kTextureSize; ++y) {
            // Outside the image the colour is white, as an invalid colour reads.
            const QRgb c = bitmap.valid(x, y) ? bitmap.pixel(x, y) : 0xFFFFFFFFu;
            uint8_t* t = &texels[static_cast<size_t>(y * kTextureSize + (kTextureSize - 1 - x)) * 4];
            t[0] = static_cast<uint8_t>(qRed(c));
            t[1] = static_cast<uint8_t>(qGreen(c));
            t[2] = static_cast<uint8_t>(qBlue(c));
            t[3] = 255;
        }
    }
}
