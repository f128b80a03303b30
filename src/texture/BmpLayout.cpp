// BMP headers: the 14-byte file header, then the 12-byte core header or an
// information header of 40 bytes or more.
#include "texture/BmpLayout.h"

#include "texture/BmpError.h"

#include <algorithm>

namespace {
// Textures use 64 by 64 pixels; anything far beyond a photograph is refused
// before a single pixel is allocated.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(8192) * 8192;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// From this size on the masks are part of the header itself; a 40-byte header
// is followed by them.
constexpr uint32_t kHeaderWithMasks = 52;
constexpr size_t kMasksAt = kFileHeaderSize + kInfoHeaderSize;

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }
int64_t I32(const uint8_t* p) { return int64_t(int32_t(U32(p))); }

bool DepthFits(BmpCompression c, int bits) {
    switch (c) {
    case BmpCompression::kRgb:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BmpCompression::kRle8:
        return bits == 8;
    case BmpCompression::kRle4:
        return bits == 4;
    case BmpCompression::kBitFields:
        return bits == 16 || bits == 32;
    }
    return false;
}

// Without masks in the file, 16 bits are 5-5-5 and 32 bits 8-8-8.
std::array<uint32_t, 3> DefaultMasks(int bits) {
    if (bits == 16) return {0x7C00u, 0x03E0u, 0x001Fu};
    return {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
}
}  // namespace

uint64_t BmpLayout::FileLength() const { return dataOffset + dataSize; }

BmpLayout ReadBmpLayout(const uint8_t* head, size_t size) {
    if (size < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') throw BmpError("not a bitmap file");
    BmpLayout l;
    l.dataOffset = U32(head + 10);
    const uint32_t headerSize = U32(head + 14);
    int64_t width = 0, height = 0;
    uint32_t planes = 0, compression = 0, sizeImage = 0, coloursUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        if (size < kFileHeaderSize + kCoreHeaderSize) throw BmpError("truncated header");
        width = U16(head + 18);
        height = U16(head + 20);
        planes = U16(head + 22);
        l.bitsPerPixel = int(U16(head + 24));
        l.paletteEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        if (size < kFileHeaderSize + kInfoHeaderSize) throw BmpError("truncated header");
        width = I32(head + 18);
        height = I32(head + 22);
        planes = U16(head + 26);
        l.bitsPerPixel = int(U16(head + 28));
        compression = U32(head + 30);
        sizeImage = U32(head + 34);
        coloursUsed = U32(head + 46);
    } else {
        throw BmpError("unknown header");
    }
    if (planes != 1) throw BmpError("bad plane count");
    l.topDown = height < 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0) throw BmpError("empty image");
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) throw BmpError("image too large");
    l.width = int(width);
    l.height = int(height);

    if (compression > uint32_t(BmpCompression::kBitFields)) throw BmpError("unsupported compression");
    l.compression = BmpCompression(compression);
    if (!DepthFits(l.compression, l.bitsPerPixel)) throw BmpError("unsupported bit depth");

    l.paletteOffset = kFileHeaderSize + uint64_t(headerSize);
    l.masks = DefaultMasks(l.bitsPerPixel);
    if (l.compression == BmpCompression::kBitFields) {
        if (size < kMasksAt + 12) throw BmpError("truncated header");
        l.masks = {U32(head + kMasksAt), U32(head + kMasksAt + 4), U32(head + kMasksAt + 8)};
        l.paletteOffset = kFileHeaderSize + uint64_t(std::max(headerSize, kHeaderWithMasks));
    }
    if (l.bitsPerPixel <= 8) l.paletteEntries = coloursUsed == 0 ? 1u << l.bitsPerPixel : coloursUsed;
    // An offset back into the headers or the colour table cannot be meant: the
    // pixels then follow the table.
    const uint64_t paletteEnd = l.paletteOffset + uint64_t(l.paletteEntries) * l.paletteEntrySize;
    l.dataOffset = std::max(l.dataOffset, paletteEnd);

    if (l.compression == BmpCompression::kRle8 || l.compression == BmpCompression::kRle4) {
        // A run-length stream's length is known only from the header.
        if (sizeImage == 0) throw BmpError("compressed size missing");
        l.dataSize = sizeImage;
    } else {
        l.rowStride = (uint64_t(l.width) * uint64_t(l.bitsPerPixel) + 31) / 32 * 4;
        l.dataSize = l.rowStride * uint64_t(l.height);
    }
    return l;
}
