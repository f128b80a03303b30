// The project's own BMP decoding, where files stray from the common variants:
// run-length streams that leave pixels unset or overrun a row, long headers with
// their masks inside, masks of any width, short colour tables.
#include "../support/BmpFiles.h"
#include "texture/BmpDecoder.h"
#include "texture/BmpError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
BmpImage Decode(const QByteArray& file) {
    return DecodeBmp(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()));
}

// Entry 0 is a colour no unset memory is likely to hold.
const std::vector<QRgb> kPalette = {qRgb(10, 200, 30), qRgb(200, 0, 0), qRgb(0, 0, 200), qRgb(250, 250, 0)};

// Rows top first, one character a pixel: a palette index, or k for black.
void ExpectPicture(const BmpImage& image, const std::vector<std::string>& rows) {
    ASSERT_EQ(image.height, int(rows.size()));
    ASSERT_EQ(image.width, int(rows[0].size()));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const char c = rows[size_t(y)][size_t(x)];
            const QRgb expected = c == 'k' ? qRgb(0, 0, 0) : kPalette[size_t(c - '0')];
            EXPECT_EQ(image.At(x, y), expected) << "at " << x << ", " << y;
        }
}

bmp::Header Head(int headerSize, int width, int height, int bits, uint32_t compression = bmp::kRgb) {
    bmp::Header h;
    h.headerSize = headerSize;
    h.width = width;
    h.height = height;
    h.bits = bits;
    h.compression = compression;
    return h;
}

QByteArray Bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int v : b) out.append(char(v));
    return out;
}
}  // namespace

TEST(BmpDecoderTest, RunLengthPixelsNeverSetReadAsPaletteEntryZero) {
    struct Case {
        const char* name;
        int bits, height;
        QByteArray stream;
        std::vector<std::string> picture;  // top row first
    };
    const std::vector<Case> cases = {
        // Two pixels, a jump one right and one up, one pixel, end of bitmap.
        {"delta", 8, 3, Bytes({2, 1, 0, 2, 1, 1, 1, 2, 0, 1}), {"0000", "0002", "1100"}},
        {"early_end_of_line_and_bitmap", 8, 3, Bytes({1, 1, 0, 0, 4, 2, 0, 0, 0, 1}), {"0000", "2222", "1000"}},
        {"top_down", 8, -3, Bytes({1, 1, 0, 0, 4, 2, 0, 0, 0, 1}), {"1000", "2222", "0000"}},
        // An absolute run of four whose stream ends after two.
        {"cut_short", 8, 3, Bytes({4, 3, 0, 0, 0, 4, 1, 2}), {"0000", "1200", "3333"}},
        // Six pixels into a row of four: the rest is dropped, not carried over.
        {"run_past_the_row", 8, 3, Bytes({6, 1, 0, 0, 2, 2, 0, 1}), {"0000", "2200", "1111"}},
        // Both pixels of the run: all eight bits index, not the low nibble (3).
        {"index_past_the_table", 8, 3, Bytes({2, 0x13, 2, 1, 0, 1}), {"0000", "0000", "kk11"}},
        // Absolute nibbles 1 2 3; an encoded run 1 2 1; a delta straight up; no end
        // mark.
        {"rle4", 4, 3, Bytes({0, 3, 0x12, 0x30, 0, 0, 3, 0x12, 0, 2, 0, 1, 1, 0x30}), {"0003", "1210", "1230"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bmp::Header h = Head(40, 4, c.height, c.bits, c.bits == 8 ? bmp::kRle8 : bmp::kRle4);
        h.palette = kPalette;
        const QByteArray file = bmp::File(h, c.stream);
        ExpectPicture(Decode(file), c.picture);
    }

    // A stream said to run past the end of the file is refused.
    bmp::Header h = Head(40, 4, 3, 8, bmp::kRle8);
    h.palette = kPalette;
    QByteArray longer = bmp::File(h, Bytes({4, 1, 0, 1}));
    longer[34] = char(200);
    EXPECT_THROW(Decode(longer), BmpError);
}

TEST(BmpDecoderTest, LongHeadersMasksOfAnyWidthAndShortColourTables) {
    QByteArray pixels;
    // A 124-byte header holding 5-6-5 masks, rows top-down.
    {
        bmp::Header h = Head(124, 2, -1, 16, bmp::kBitFields);
        bmp::Put16(pixels, 0xFFFF);
        bmp::Put16(pixels, 0xF800);
        QByteArray file = bmp::File(h, pixels);
        QByteArray masks;
        for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) bmp::Put32(masks, m);
        file.replace(54, 12, masks);
        const BmpImage image = Decode(file);
        EXPECT_EQ(image.At(0, 0), qRgb(248, 252, 248));
        EXPECT_EQ(image.At(1, 0), qRgb(248, 0, 0));
    }
    // A 108-byte header without bit-field compression: 5-5-5, whatever its mask
    // fields say.
    {
        bmp::Header h = Head(108, 2, 1, 16);
        pixels.clear();
        bmp::Put16(pixels, 0x7FFF);
        bmp::Put16(pixels, 0x001F);
        QByteArray file = bmp::File(h, pixels);
        QByteArray masks;
        for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) bmp::Put32(masks, m);
        file.replace(54, 12, masks);
        const BmpImage image = Decode(file);
        EXPECT_EQ(image.At(0, 0), qRgb(248, 248, 248));
        EXPECT_EQ(image.At(1, 0), qRgb(0, 0, 248));
    }
    // A 10-bit red channel keeps its high 8 bits; a channel without mask is 0.
    {
        bmp::Header h = Head(40, 2, 1, 32, bmp::kBitFields);
        h.masks = {0x3FF00000, 0, 0x000000FF};
        pixels.clear();
        bmp::Put32(pixels, 0x3FF00012);
        bmp::Put32(pixels, 0x200000FF);
        const BmpImage image = Decode(bmp::File(h, pixels));
        EXPECT_EQ(image.At(0, 0), qRgb(255, 0, 0x12));
        EXPECT_EQ(image.At(1, 0), qRgb(128, 0, 255));
    }
    // Two colours in the table: a larger index is black.
    {
        bmp::Header h = Head(40, 2, 1, 8);
        h.palette = {kPalette[0], kPalette[1]};
        ExpectPicture(Decode(bmp::File(h, Bytes({1, 5, 0, 0}))), {"1k"});
    }
    // A pixel offset pointing back into the headers: the pixels follow the table.
    {
        bmp::Header h = Head(40, 2, 1, 8);
        h.palette = {kPalette[0], kPalette[1]};
        QByteArray file = bmp::File(h, Bytes({1, 0, 0, 0}));
        file[10] = 40;
        ExpectPicture(Decode(file), {"10"});
    }
    // A colour table that the file is too short to hold.
    {
        bmp::Header h = Head(40, 2, 1, 8);
        h.palette = {kPalette[0], kPalette[1]};
        QByteArray file = bmp::File(h, Bytes({1, 0, 0, 0}));
        file[46] = char(200);
        EXPECT_THROW(Decode(file), BmpError);
    }
}
