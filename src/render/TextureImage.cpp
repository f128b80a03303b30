// Texture files: one BMP read into a scratch image, then sampled into 64 by 64
// RGBA texels. Kept free of GL so that it can be checked without a display.
#include "render/TextureImage.h"

#include "platform/Exceptions.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

namespace {
// Textures use 64 by 64 pixels; anything far beyond a photograph is refused
// before a single pixel is allocated.
constexpr qint64 kMaxSide = 16384;
constexpr qint64 kMaxPixels = qint64(8192) * 8192;
constexpr int kAllocationLimitMb = 256;

constexpr int kFileHeaderSize = 14;
constexpr quint32 kCoreHeaderSize = 12;
constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

// The parts of the headers that fix how many bytes the pixels take.
struct BmpLayout {
    qint64 dataOffset = 0;
    qint64 width = 0;
    qint64 height = 0;  // rows, whatever their order
    int bitsPerPixel = 0;
    quint32 compression = kRgb;
    quint32 sizeImage = 0;
};

[[noreturn]] void Fail(const QString& path, const QString& why) {
    throw Exception(QStringLiteral("Cannot load the bitmap %1: %2").arg(path, why));
}

quint16 U16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 U32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
qint32 I32(const QByteArray& b, int at) {
    return qFromLittleEndian<qint32>(b.constData() + at);
}

BmpLayout ReadLayout(const QString& path, const QByteArray& head) {
    if (head.size() < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M')
        Fail(path, QStringLiteral("not a bitmap file"));
    BmpLayout l;
    l.dataOffset = U32(head, 10);
    const quint32 headerSize = U32(head, 14);
    int planes = 0;
    if (headerSize == kCoreHeaderSize) {
        if (head.size() < kFileHeaderSize + int(kCoreHeaderSize)) Fail(path, QStringLiteral("truncated header"));
        l.width = U16(head, 18);
        l.height = U16(head, 20);
        planes = U16(head, 22);
        l.bitsPerPixel = U16(head, 24);
    } else if (headerSize >= kInfoHeaderSize) {
        if (head.size() < kFileHeaderSize + int(kInfoHeaderSize)) Fail(path, QStringLiteral("truncated header"));
        l.width = I32(head, 18);
        l.height = qAbs(qint64(I32(head, 22)));  // negative: rows stored top-down
        planes = U16(head, 26);
        l.bitsPerPixel = U16(head, 28);
        l.compression = U32(head, 30);
        l.sizeImage = U32(head, 34);
    } else {
        Fail(path, QStringLiteral("unknown header"));
    }
    if (planes != 1) Fail(path, QStringLiteral("bad plane count"));
    if (l.width <= 0 || l.height <= 0) Fail(path, QStringLiteral("empty image"));
    if (l.width > kMaxSide || l.height > kMaxSide || l.width * l.height > kMaxPixels)
        Fail(path, QStringLiteral("image too large"));
    return l;
}

// The reader fills rows it could not read with whatever memory held, so a short
// file has to be caught here.
void CheckLength(const QString& path, const BmpLayout& l, qint64 fileSize) {
    qint64 end = 0;
    if (l.compression == kRgb || l.compression == kBitFields) {
        const qint64 stride = (l.width * l.bitsPerPixel + 31) / 32 * 4;
        end = l.dataOffset + stride * l.height;
    } else if (l.compression == kRle8 || l.compression == kRle4) {
        // A run-length stream's length is known only from the header.
        if (l.sizeImage == 0) Fail(path, QStringLiteral("compressed size missing"));
        end = l.dataOffset + l.sizeImage;
    } else {
        Fail(path, QStringLiteral("unsupported compression"));
    }
    if (fileSize < end) Fail(path, QStringLiteral("file is truncated"));
}
}  // namespace

QString TextureFileName(int n) {
    return QStringLiteral("Textures/00") + QString::number(n) + QStringLiteral(".bmp");
}

void LoadBitmapFile(const QString& path, QImage& bitmap) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(path, file.errorString());
    const QByteArray head = file.peek(kFileHeaderSize + kInfoHeaderSize);
    CheckLength(path, ReadLayout(path, head), file.size());

    // BMP only: a file of another format under this name does not load.
    QImageReader reader(&file, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kAllocationLimitMb);
    QImage image;
    if (!reader.read(&image) || image.isNull()) Fail(path, reader.errorString());
    bitmap = std::move(image);
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
