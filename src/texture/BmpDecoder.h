#pragma once
// A whole BMP file in memory to its pixels, decoded here rather than by a platform
// reader, so that the same file gives the same colours wherever it is read.
#include "texture/BmpImage.h"

#include <cstddef>
#include <cstdint>

// Decodes 1, 4, 8, 16, 24 and 32 bits a pixel, RLE8 and RLE4, colour masks, the
// core and the information headers, bottom-up and top-down rows. Raises BmpError
// when ReadBmpLayout refuses the headers or the bytes end before the colour table
// or the pixels the headers promise.
BmpImage DecodeBmp(const uint8_t* data, size_t size);
