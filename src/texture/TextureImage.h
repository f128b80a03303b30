#pragma once
// Texture files without GL: reading a bitmap file and sampling its top-left
// 64 by 64 pixels into the buffer that becomes one texture.
#include "texture/TextureFileName.h"

#include <QString>
#include <array>
#include <cstdint>

class QByteArray;
class QImage;

constexpr int kTextureSize = 64;
// Rows of 64 RGBA texels, row 0 first, no gaps between rows.
using TexelBuffer = std::array<uint8_t, kTextureSize * kTextureSize * 4>;

// Replaces `bitmap` with the top-left corner, at most 64 by 64 pixels, of the BMP
// file at `path`; only the parts of the file that corner needs are read. Raises
// Exception on any failure: missing or unreadable file, not a BMP, truncated, or
// an image larger than the decoder accepts. The project decodes the pixels itself,
// so the colours do not depend on the toolkit's version; `bitmap` is 32-bit RGB.
void LoadBitmapFile(const QString& path, QImage& bitmap);

// The same for a whole file already in memory.
void DecodeBitmap(const QByteArray& bytes, QImage& bitmap);

// Samples columns and rows 0..63, mirrored left to right; positions outside the
// image are opaque white; alpha is always 255.
void SampleTexture(const QImage& bitmap, TexelBuffer& texels);
