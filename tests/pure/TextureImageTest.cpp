// Texture files without GL: which file a number names, which files load and with
// what colours, and how the top-left 64 by 64 pixels become texels.
#include "../support/BmpFiles.h"
#include "../support/Texel.h"
#include "platform/Exceptions.h"
#include "texture/TextureImage.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {
Texel At(const TexelBuffer& t, int row, int column) {
    const uint8_t* p = &t[static_cast<size_t>(row * 256 + column * 4)];
    return {p[0], p[1], p[2], p[3]};
}

class TextureFileTest : public ::testing::Test {
protected:
    QString Put(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(bmp::Write(path, bytes));
        return path;
    }
    QImage Load(const QString& path) {
        QImage image;
        LoadBitmapFile(path, image);
        return image;
    }
    QTemporaryDir dir;
};
}  // namespace

TEST(TextureFileNameTest, NumberFollowsTwoZerosWithoutPaddingOfItsOwn) {
    EXPECT_EQ(TextureFileName(1), QStringLiteral("Textures/001.bmp"));
    EXPECT_EQ(TextureFileName(9), QStringLiteral("Textures/009.bmp"));
    EXPECT_EQ(TextureFileName(10), QStringLiteral("Textures/0010.bmp"));
    EXPECT_EQ(TextureFileName(100), QStringLiteral("Textures/00100.bmp"));
}

TEST_F(TextureFileTest, EveryBmpVariantLoadsWithItsColours) {
    for (const bmp::Variant& v : bmp::Variants()) {
        SCOPED_TRACE(v.name);
        QImage image;
        try {
            image = Load(Put(QString::fromStdString(v.name) + ".bmp", v.bytes));
        } catch (const Exception& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        ASSERT_EQ(image.size(), QSize(v.width, v.height));
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                EXPECT_EQ(Opaque(image.pixel(x, y)), Opaque(v.expected(x, y))) << "at " << x << ", " << y;
    }
}

TEST_F(TextureFileTest, LargerBitmapsGiveTheColoursOfTheirTopLeftCorner) {
    // Only the rows and columns the texture samples are read and kept: for
    // bottom-up files the last rows stored, for top-down ones the first.
    for (const QSize size : {QSize(100, 70), QSize(67, 130), QSize(255, 64)}) {
        for (const bmp::Variant& v : bmp::Variants(size.width(), size.height())) {
            SCOPED_TRACE(v.name + " " + std::to_string(v.width) + "x" + std::to_string(v.height));
            QImage image;
            try {
                image = Load(Put(QStringLiteral("corner.bmp"), v.bytes));
            } catch (const Exception& e) {
                ADD_FAILURE() << e.what();
                continue;
            }
            ASSERT_EQ(image.size(), QSize(kTextureSize, kTextureSize));
            for (int y = 0; y < kTextureSize; ++y)
                for (int x = 0; x < kTextureSize; ++x)
                    ASSERT_EQ(Opaque(image.pixel(x, y)), Opaque(v.expected(x, y))) << "at " << x << ", " << y;
        }
    }
}

TEST_F(TextureFileTest, FilesThatAreNotWholeBitmapsRaise) {
    const QByteArray good = bmp::Rgb24(64, 64, [](int, int) { return qRgb(1, 2, 3); });
    QByteArray planes = good;
    planes[26] = 2;
    QByteArray compression = good;
    compression[30] = 7;
    bmp::Header rle{40, 8, 8, 8, bmp::kRle8};
    rle.palette = {qRgb(0, 0, 0)};
    // A run-length file that does not say how long its stream is.
    QByteArray unsized = bmp::File(rle, QByteArray("\0\x01", 2));
    for (int i = 34; i < 38; ++i) unsized[i] = 0;
    QImage png(8, 8, QImage::Format_RGB32);
    png.fill(Qt::red);
    const QString pngPath = dir.filePath("png.bmp");
    ASSERT_TRUE(png.save(pngPath, "PNG"));

    const std::vector<std::pair<const char*, QByteArray>> bad = {
        {"empty", QByteArray()},
        {"text", QByteArray("This is not a picture.\r\n")},
        {"half_the_pixels", good.left(good.size() / 2)},
        {"all_but_one_byte", good.left(good.size() - 1)},
        {"half_a_header", good.left(30)},
        {"two_planes", planes},
        {"unknown_compression", compression},
        {"rle_without_size", unsized},
    };
    for (const auto& [name, bytes] : bad) {
        SCOPED_TRACE(name);
        EXPECT_THROW(Load(Put(QString::fromLatin1(name) + ".bmp", bytes)), Exception);
    }
    EXPECT_THROW(Load(dir.filePath("missing.bmp")), Exception);
    EXPECT_THROW(Load(dir.path()), Exception);  // a folder
    EXPECT_THROW(Load(pngPath), Exception);     // another format under a .bmp name
}

TEST_F(TextureFileTest, HugeDeclaredSizesFailWithoutAllocating) {
    // Header only, or header and a few bytes of run-length data: nothing backs
    // the size the header claims. A stream that ends at once is whole, so sizes just
    // past the limits are refused for their size alone: 8192 by 8192 loads (the
    // allocation test), one row or one column more does not.
    const auto rle = [](int width, int height) {
        bmp::Header h{40, width, height, 8, bmp::kRle8};
        h.palette = {qRgb(0, 0, 0)};
        return bmp::File(h, QByteArray("\0\x01", 2));
    };
    const std::vector<std::pair<const char*, QByteArray>> huge = {
        {"wide_and_high", bmp::HeaderOnly(100000, 100000)},
        {"within_int_but_no_data", bmp::HeaderOnly(8000, 8000)},
        {"one_endless_row", bmp::HeaderOnly(2000000000, 1)},
        {"top_down_extreme", bmp::HeaderOnly(1, -2147483647 - 1)},
        {"rle_claims_giant", rle(30000, 30000)},
        {"row_past_the_pixel_limit", rle(8192, 8193)},
        {"column_past_the_side_limit", rle(16385, 1)},
    };
    for (const auto& [name, bytes] : huge) {
        SCOPED_TRACE(name);
        EXPECT_THROW(Load(Put(QString::fromLatin1(name) + ".bmp", bytes)), Exception);
    }
}

TEST_F(TextureFileTest, FailedLoadLeavesTheBitmapAsItWas) {
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(qRgb(9, 8, 7));
    EXPECT_THROW(LoadBitmapFile(Put("t.bmp", "BM nonsense"), image), Exception);
    EXPECT_EQ(image.size(), QSize(3, 3));
    EXPECT_EQ(image.pixel(1, 1), qRgb(9, 8, 7));
}

TEST(SampleTextureTest, TopLeftSquareIsMirroredLeftToRight) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(63, 0, qRgb(0, 255, 0));
    image.setPixel(0, 63, qRgb(0, 0, 255));
    image.setPixel(5, 7, qRgb(1, 2, 3));
    TexelBuffer t;
    SampleTexture(image, t);
    EXPECT_EQ(At(t, 0, 63), (Texel{255, 0, 0, 255}));
    EXPECT_EQ(At(t, 0, 0), (Texel{0, 255, 0, 255}));
    EXPECT_EQ(At(t, 63, 63), (Texel{0, 0, 255, 255}));
    EXPECT_EQ(At(t, 7, 58), (Texel{1, 2, 3, 255}));
    EXPECT_EQ(At(t, 30, 30), (Texel{10, 20, 30, 255}));
}

TEST(SampleTextureTest, SmallImageIsPaddedWithOpaqueWhite) {
    QImage image(32, 32, QImage::Format_ARGB32);
    // Transparent pixels still give opaque texels.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.setPixel(x, y, qRgba(x * 8, y * 8, 100, 0));
    TexelBuffer t;
    t.fill(0);
    SampleTexture(image, t);
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < 64; ++column) {
            const Texel expected = (row < 32 && column >= 32) ? Texel{(63 - column) * 8, row * 8, 100, 255} : kWhite;
            ASSERT_EQ(At(t, row, column), expected) << "row " << row << " column " << column;
        }
    }
}

TEST(SampleTextureTest, LargeImageGivesOnlyItsTopLeftCorner) {
    QImage image(100, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            image.setPixel(x, y, x < 64 && y < 64 ? qRgb(x * 4, y * 4, 7) : qRgb(255, 0, 255));
    TexelBuffer t;
    SampleTexture(image, t);
    for (int row = 0; row < 64; ++row)
        for (int column = 0; column < 64; ++column)
            ASSERT_EQ(At(t, row, column), (Texel{(63 - column) * 4, row * 4, 7, 255}));
}

TEST(SampleTextureTest, EmptyImageIsAllWhite) {
    TexelBuffer t;
    t.fill(0);
    SampleTexture(QImage(), t);
    for (int i = 0; i < 64 * 64; ++i) ASSERT_EQ(At(t, i / 64, i % 64), kWhite);
}
