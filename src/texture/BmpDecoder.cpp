// Uncompressed rows are read in place; run-length streams go through RunLength.
#include "texture/BmpDecoder.h"

#include "texture/BmpError.h"
#include "texture/BmpLayout.h"
#include "texture/MaskChannel.h"
#include "texture/RunLength.h"

#include <algorithm>

namespace {
PaletteColours ReadPalette(const uint8_t* data, const BmpLayout& l) {
    PaletteColours colours;
    colours.fill(PixelWord(0, 0, 0));
    // Entries past 2^bits cannot be indexed; the length check has counted them.
    const size_t used = std::min<size_t>(l.paletteEntries, colours.size());
    const uint8_t* p = data + l.paletteOffset;
    for (size_t i = 0; i < used; ++i, p += l.paletteEntrySize) colours[i] = PixelWord(p[2], p[1], p[0]);
    return colours;
}

uint32_t Word16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Word32(const uint8_t* p) { return Word16(p) | Word16(p + 2) << 16; }

void DecodeRows(const uint8_t* data, const BmpLayout& l, const PaletteColours& colours, BmpImage& image) {
    image.pixels.resize(size_t(l.width) * size_t(l.height));
    const MaskChannel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    for (int stored = 0; stored < l.height; ++stored) {
        const uint8_t* row = data + l.dataOffset + uint64_t(stored) * l.rowStride;
        const int y = l.topDown ? stored : l.height - 1 - stored;
        uint32_t* out = &image.pixels[size_t(y) * size_t(l.width)];
        for (int x = 0; x < l.width; ++x) {
            switch (l.bitsPerPixel) {
            case 1:
                out[x] = colours[static_cast<unsigned>(row[x / 8] >> (7 - x % 8)) & 1u];
                break;
            case 4:
                out[x] = colours[x % 2 ? row[x / 2] & 0x0Fu : uint32_t(row[x / 2] >> 4)];
                break;
            case 8:
                out[x] = colours[row[x]];
                break;
            case 16: {
                const uint32_t v = Word16(row + 2 * x);
                out[x] = PixelWord(red.Read(v), green.Read(v), blue.Read(v));
                break;
            }
            case 24: {
                const uint8_t* p = row + 3 * x;
                out[x] = PixelWord(p[2], p[1], p[0]);
                break;
            }
            default: {
                const uint32_t v = Word32(row + 4 * x);
                out[x] = PixelWord(red.Read(v), green.Read(v), blue.Read(v));
                break;
            }
            }
        }
    }
}
}  // namespace

BmpImage DecodeBmp(const uint8_t* data, size_t size) {
    const BmpLayout l = ReadBmpLayout(data, size);
    if (size < l.FileLength()) throw BmpError("file is truncated");
    const PaletteColours colours = ReadPalette(data, l);
    BmpImage image;
    image.width = l.width;
    image.height = l.height;
    if (l.compression == BmpCompression::kRle8 || l.compression == BmpCompression::kRle4)
        DecodeRunLength(data + l.dataOffset, size_t(l.dataSize), l.bitsPerPixel, l.topDown, colours, image);
    else
        DecodeRows(data, l, colours, image);
    return image;
}
