#pragma once
// Run-length coded palette indices, 8 or 4 bits each (BMP's RLE8 and RLE4).
#include "texture/BmpImage.h"
#include "texture/BmpLayout.h"
#include "texture/BmpSource.h"

// Paints `image`, the top-left corner of the bitmap `l` describes (its width and
// height already set), from the stream in `source`, read from its start in pieces
// of bounded size. Pixels the stream never sets - skipped by a delta, left by an
// early end of line or of bitmap, or past the end of a stream cut short - hold the
// colour of index 0, as a zero-filled index buffer would. Runs beyond a row's end
// are cut off there. Stored lines run bottom-up unless the layout says top-down.
void DecodeRunLength(BmpSource& source, const BmpLayout& l, const PaletteColours& colours, BmpImage& image);
