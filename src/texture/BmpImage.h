#pragma once
// Decoded pixels (of a bitmap's top-left corner, as DecodeBmp keeps it): rows top
// first, one 0xFFRRGGBB word a pixel, rows without gaps.
// The layout is the toolkit's 32-bit RGB one, so an image can take the words over
// without converting them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct BmpImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// Every pixel word carries this alpha: bitmaps give opaque colours only.
constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t PixelWord(uint32_t red, uint32_t green, uint32_t blue) {
    return kOpaque | (red & 0xFFu) << 16 | (green & 0xFFu) << 8 | (blue & 0xFFu);
}

// The colours of palette indices 0..255; indices past a file's colour table are
// black.
using PaletteColours = std::array<uint32_t, 256>;
