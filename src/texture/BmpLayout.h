#pragma once
// The headers of a BMP file: where its colour table and pixels lie, how many
// bytes they take, and the checks that refuse a file before anything is allocated.
#include <array>
#include <cstddef>
#include <cstdint>

enum class BmpCompression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct BmpLayout {
    int width = 0;
    int height = 0;        // rows, whatever their order
    bool topDown = false;  // a negative height in the header
    int bitsPerPixel = 0;
    BmpCompression compression = BmpCompression::kRgb;
    // Red, green and blue masks of 16- and 32-bit pixels.
    std::array<uint32_t, 3> masks{};
    uint64_t paletteOffset = 0;
    uint32_t paletteEntries = 0;  // as many as the header says, even past 2^bits
    uint32_t paletteEntrySize = 4;  // 3 after the core header
    uint64_t dataOffset = 0;   // never before the end of the colour table
    uint64_t dataSize = 0;     // the padded rows, or the run-length stream
    uint64_t rowStride = 0;    // bytes per stored row, uncompressed only

    // The file length the headers promise: up to the end of the pixels.
    uint64_t FileLength() const;
};

// Every field ReadBmpLayout looks at lies within the first this many bytes.
constexpr size_t kBmpHeadBytes = 66;

// Reads and checks the headers at the start of `head` (the whole file or its
// first kBmpHeadBytes bytes). Raises BmpError for anything that is not a BMP this
// program reads, for an empty image, and for an image over 16384 pixels on a side
// or 8192 by 8192 in all. It does not check the file's length.
BmpLayout ReadBmpLayout(const uint8_t* head, size_t size);
