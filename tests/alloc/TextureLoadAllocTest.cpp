// Loading a texture costs no more memory than a small file, however large the file
// and the image it declares: the largest accepted, read from disk.
#include "AllocCounter.h"

#include "platform/Exceptions.h"
#include "support/BmpFiles.h"
#include "texture/TextureImage.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using alloc_counter::CountedScope;
using alloc_counter::Path;

namespace {
constexpr int kSide = 8192;
// A staging buffer of the whole image, even one byte a pixel, is 64 MiB; a file
// read whole, several.
constexpr long kBound = 1 << 20;

// 24 bits a pixel, sparse on disk: only the stored rows of the top-left corner
// are written, the last in the file, each pixel (x, y, x ^ y).
bool WriteRgb24(const QString& path) {
    const QByteArray head = bmp::File({40, kSide, kSide, 24}, QByteArray());
    const qint64 stride = qint64(kSide) * 3;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size() || !f.resize(head.size() + stride * kSide))
        return false;
    for (int y = 0; y < kTextureSize; ++y) {
        QByteArray row;
        for (int x = 0; x < kTextureSize; ++x) row.append(char(x ^ y)).append(char(y)).append(char(x));
        if (!f.seek(head.size() + stride * (kSide - 1 - y)) || f.write(row) != row.size()) return false;
    }
    return true;
}

// Run-length, every row given in runs of 64 pixels that alternate between two
// colours: 2 MiB of stream, all of it read, since the corner's rows come last.
QByteArray Rle8() {
    QByteArray stream;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; x += 64) stream.append(char(64)).append(char((x / 64 + y) % 2));
        stream.append('\0').append('\0');
    }
    stream.append('\0').append('\x01');
    bmp::Header h{40, kSide, kSide, 8, bmp::kRle8};
    h.palette = {qRgb(200, 40, 40), qRgb(40, 200, 40)};
    return bmp::File(h, stream);
}

// Loads `path`; returns the most bytes our side held at once. A failed load fails
// the test.
long PeakBytes(const QString& path, QImage& bitmap) {
    alloc_counter::Arm();
    {
        CountedScope scope(Path::TextureLoad);
        try {
            LoadBitmapFile(path, bitmap);
        } catch (const Exception& e) {
            ADD_FAILURE() << qPrintable(e.Message);
        }
    }
    alloc_counter::Disarm();
    return alloc_counter::Current(Path::TextureLoad).peakBytes;
}
}  // namespace

TEST(TextureLoadAllocTest, LargestFilesLoadWithinAMebibyte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString rgb = dir.filePath(QStringLiteral("rgb24.bmp")), rle = dir.filePath(QStringLiteral("rle8.bmp"));
    ASSERT_TRUE(WriteRgb24(rgb));
    const QByteArray rleBytes = Rle8();
    ASSERT_GT(rleBytes.size(), kBound);
    ASSERT_TRUE(bmp::Write(rle, rleBytes));

    QImage bitmap;
    EXPECT_LT(PeakBytes(rgb, bitmap), kBound);
    ASSERT_EQ(bitmap.size(), QSize(kTextureSize, kTextureSize));
    EXPECT_EQ(bitmap.pixel(63, 5), qRgb(63, 5, 63 ^ 5)) << "not the file's top-left corner";
    EXPECT_LT(PeakBytes(rle, bitmap), kBound);
    ASSERT_EQ(bitmap.size(), QSize(kTextureSize, kTextureSize));
    // The top row is stored last: row 8191, whose first run has index 1.
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(40, 200, 40));
    EXPECT_EQ(bitmap.pixel(0, 1), qRgb(200, 40, 40));
}
