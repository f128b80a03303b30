#pragma once
// Run-length coded palette indices, 8 or 4 bits each (BMP's RLE8 and RLE4).
#include "texture/BmpImage.h"

#include <cstddef>
#include <cstdint>

// Paints `image` (its width and height already set) from the stream. Pixels the
// stream never sets - skipped by a delta, left by an early end of line or of
// bitmap, or past the end of a stream cut short - hold the colour of index 0, as
// a zero-filled index buffer would. Runs beyond a row's end are cut off there.
// Stored lines run bottom-up unless `topDown`.
void DecodeRunLength(const uint8_t* stream, size_t size, int bitsPerIndex, bool topDown,
                     const PaletteColours& colours, BmpImage& image);
