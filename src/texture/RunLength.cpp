// The stream is pairs of bytes: a count and a value make an encoded run; a zero
// count escapes to end of line (0), end of bitmap (1), a delta (2, then right and
// up) or an absolute run of that many indices, padded to a 16-bit boundary.
#include "texture/RunLength.h"

#include <algorithm>

namespace {
constexpr uint8_t kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;

// Where the next index goes; positions off the image are dropped.
class Cursor {
public:
    Cursor(BmpImage& image, bool topDown) : image_(image), topDown_(topDown) {}

    bool Done() const { return line_ >= image_.height; }
    void Put(uint32_t colour) {
        if (x_ < image_.width) {
            const int y = topDown_ ? line_ : image_.height - 1 - line_;
            image_.pixels[size_t(y) * size_t(image_.width) + size_t(x_)] = colour;
            ++x_;
        }
    }
    void NextLine() {
        x_ = 0;
        ++line_;
    }
    // Clamped, so that no stream can make the position overflow.
    void Move(int right, int up) {
        x_ = std::min(x_ + right, image_.width);
        line_ = std::min(line_ + up, image_.height);
    }

private:
    BmpImage& image_;
    bool topDown_;
    int x_ = 0;
    int line_ = 0;
};

// Index k of a run whose bytes start at `p`: whole bytes, or high nibble first.
uint8_t IndexAt(const uint8_t* p, int k, int bitsPerIndex) {
    if (bitsPerIndex == 8) return p[k];
    const uint8_t b = p[k / 2];
    return uint8_t(k % 2 ? b & 0x0F : b >> 4);
}
}  // namespace

void DecodeRunLength(const uint8_t* stream, size_t size, int bitsPerIndex, bool topDown,
                     const PaletteColours& colours, BmpImage& image) {
    image.pixels.assign(size_t(image.width) * size_t(image.height), colours[0]);
    Cursor at(image, topDown);
    size_t i = 0;
    while (!at.Done() && size - i >= 2) {
        const uint8_t count = stream[i], value = stream[i + 1];
        i += 2;
        if (count > 0) {
            // An encoded run repeats one byte: its index, or its two nibbles in turn.
            const uint32_t first = colours[bitsPerIndex == 8 ? value : value >> 4];
            const uint32_t second = colours[bitsPerIndex == 8 ? value : value & 0x0F];
            for (int k = 0; k < count; ++k) at.Put(k % 2 ? second : first);
        } else if (value == kEndOfLine) {
            at.NextLine();
        } else if (value == kEndOfBitmap) {
            return;
        } else if (value == kDelta) {
            if (size - i < 2) return;
            at.Move(stream[i], stream[i + 1]);
            i += 2;
        } else {
            const size_t bytes = bitsPerIndex == 8 ? value : (value + 1u) / 2;
            // A cut-short run sets what it holds and ends the stream.
            const size_t held = std::min(bytes, size - i);
            const int indices = int(std::min<size_t>(value, bitsPerIndex == 8 ? held : held * 2));
            for (int k = 0; k < indices; ++k) at.Put(colours[IndexAt(stream + i, k, bitsPerIndex)]);
            if (held < bytes) return;
            i += bytes + bytes % 2;
            i = std::min(i, size);
        }
    }
}
