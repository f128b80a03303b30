#pragma once
// The top-left corner of a BMP file to its pixels, decoded here rather than by a
// platform reader, so that the same file gives the same colours wherever it is
// read. Only the bytes the corner needs are read, so that the memory a file costs
// does not grow with its size.
#include "texture/BmpImage.h"
#include "texture/BmpSource.h"

#include <cstddef>
#include <cstdint>

// Textures sample this many pixels a side from a bitmap's top-left corner; the
// decoder keeps no more.
constexpr int kBmpCornerSide = 64;

// Decodes the top-left corner, at most kBmpCornerSide pixels a side, of the file
// in `source`: 1, 4, 8, 16, 24 and 32 bits a pixel, RLE8 and RLE4, colour masks,
// the core and the information headers, bottom-up and top-down rows. It reads the
// headers, the colour table and the rows that hold the corner; a run-length
// stream is walked from its start, in pieces. Raises BmpError when ReadBmpLayout
// refuses the headers or the file ends before the colour table or the pixels the
// headers promise.
BmpImage DecodeBmp(BmpSource& source);

// The same for a whole file in memory.
BmpImage DecodeBmp(const uint8_t* data, size_t size);
