// Uncompressed rows are read where they lie, only those of the corner and only as
// far as it reaches; run-length streams go through RunLength.
#include "texture/BmpDecoder.h"

#include "texture/BmpError.h"
#include "texture/BmpLayout.h"
#include "texture/MaskChannel.h"
#include "texture/RunLength.h"

#include <algorithm>
#include <array>

namespace {
PaletteColours ReadPalette(BmpSource& source, const BmpLayout& l) {
    PaletteColours colours;
    colours.fill(PixelWord(0, 0, 0));
    // Entries past 2^bits cannot be indexed; the length check has counted them.
    const size_t used = std::min<size_t>(l.paletteEntries, colours.size());
    std::array<uint8_t, 256 * 4> table;
    source.Read(l.paletteOffset, table.data(), used * l.paletteEntrySize);
    const uint8_t* p = table.data();
    for (size_t i = 0; i < used; ++i, p += l.paletteEntrySize) colours[i] = PixelWord(p[2], p[1], p[0]);
    return colours;
}

uint32_t Word16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Word32(const uint8_t* p) { return Word16(p) | Word16(p + 2) << 16; }

void DecodeRows(BmpSource& source, const BmpLayout& l, const PaletteColours& colours, BmpImage& image) {
    image.pixels.resize(size_t(image.width) * size_t(image.height));
    const MaskChannel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    // The leading bytes of a stored row that hold the corner's pixels.
    std::array<uint8_t, kBmpCornerSide * 4> row;
    const size_t used = (size_t(image.width) * size_t(l.bitsPerPixel) + 7) / 8;
    for (int y = 0; y < image.height; ++y) {
        const int stored = l.topDown ? y : l.height - 1 - y;
        source.Read(l.dataOffset + uint64_t(stored) * l.rowStride, row.data(), used);
        uint32_t* out = &image.pixels[size_t(y) * size_t(image.width)];
        for (int x = 0; x < image.width; ++x) {
            switch (l.bitsPerPixel) {
            case 1:
                out[x] = colours[static_cast<unsigned>(row[size_t(x / 8)] >> (7 - x % 8)) & 1u];
                break;
            case 4:
                out[x] = colours[x % 2 ? row[size_t(x / 2)] & 0x0Fu : uint32_t(row[size_t(x / 2)] >> 4)];
                break;
            case 8:
                out[x] = colours[row[size_t(x)]];
                break;
            case 16: {
                const uint32_t v = Word16(&row[size_t(2 * x)]);
                out[x] = PixelWord(red.Read(v), green.Read(v), blue.Read(v));
                break;
            }
            case 24: {
                const uint8_t* p = &row[size_t(3 * x)];
                out[x] = PixelWord(p[2], p[1], p[0]);
                break;
            }
            default: {
                const uint32_t v = Word32(&row[size_t(4 * x)]);
                out[x] = PixelWord(red.Read(v), green.Read(v), blue.Read(v));
                break;
            }
            }
        }
    }
}
}  // namespace

BmpImage DecodeBmp(BmpSource& source) {
    std::array<uint8_t, kBmpHeadBytes> head;
    const size_t headSize = size_t(std::min<uint64_t>(source.Size(), head.size()));
    source.Read(0, head.data(), headSize);
    const BmpLayout l = ReadBmpLayout(head.data(), headSize);
    if (source.Size() < l.FileLength()) throw BmpError("file is truncated");
    const PaletteColours colours = ReadPalette(source, l);
    BmpImage image;
    image.width = std::min(l.width, kBmpCornerSide);
    image.height = std::min(l.height, kBmpCornerSide);
    if (l.compression == BmpCompression::kRle8 || l.compression == BmpCompression::kRle4)
        DecodeRunLength(source, l, colours, image);
    else
        DecodeRows(source, l, colours, image);
    return image;
}

BmpImage DecodeBmp(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    return DecodeBmp(source);
}
