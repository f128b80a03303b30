// Texture files: the top-left corner of one BMP decoded into a scratch image, then
// sampled into 64 by 64 RGBA texels. Kept free of GL so that it can be checked
// without a display.
#include "texture/TextureImage.h"

#include "platform/Exceptions.h"
#include "texture/BmpDecoder.h"
#include "texture/BmpError.h"

#include <QByteArray>
#include <QFile>
#include <QImage>

#include <memory>
#include <vector>

static_assert(kBmpCornerSide >= kTextureSize, "the decoded corner must hold every sampled pixel");

namespace {
[[noreturn]] void Fail(const QString& what, const char* why) {
    throw Exception(QStringLiteral("Cannot load the bitmap %1: %2").arg(what, QString::fromUtf8(why)));
}

const uint8_t* Bytes(const QByteArray& b) { return reinterpret_cast<const uint8_t*>(b.constData()); }

// A file read by position, as the decoder asks.
class FileSource : public BmpSource {
public:
    explicit FileSource(QFile& file) : file_(file) {}
    uint64_t Size() const override { return uint64_t(file_.size()); }
    void Read(uint64_t offset, uint8_t* out, size_t count) override {
        if (!file_.seek(qint64(offset)) || file_.read(reinterpret_cast<char*>(out), qint64(count)) != qint64(count))
            throw BmpError(file_.error() == QFileDevice::NoError ? "file is truncated"
                                                                 : qPrintable(file_.errorString()));
    }

private:
    QFile& file_;
};

// The image takes the decoded words over instead of copying them.
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

void Decode(const QString& what, BmpSource& source, QImage& bitmap) {
    try {
        bitmap = Adopt(DecodeBmp(source));
    } catch (const BmpError& e) {
        Fail(what, e.what());
    }
}
}  // namespace

void LoadBitmapFile(const QString& path, QImage& bitmap) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(path, qPrintable(file.errorString()));
    // Only the parts the sampled corner needs are read: a large file costs no more
    // memory than a small one, and a short one is refused before its pixels are read.
    FileSource source(file);
    Decode(path, source, bitmap);
}

void DecodeBitmap(const QByteArray& bytes, QImage& bitmap) {
    MemorySource source(Bytes(bytes), size_t(bytes.size()));
    Decode(QStringLiteral("in memory"), source, bitmap);
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
