// The stream is pairs of bytes: a count and a value make an encoded run; a zero
// count escapes to end of line (0), end of bitmap (1), a delta (2, then right and
// up) or an absolute run of that many indices, padded to a 16-bit boundary.
#include "texture/RunLength.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {
constexpr uint8_t kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;

// Where the next index goes, over the whole bitmap; only positions inside the kept
// corner are stored, the rest dropped.
class Cursor {
public:
    Cursor(BmpImage& corner, int width, int height, bool topDown)
        : corner_(corner), width_(width), height_(height), topDown_(topDown) {}

    // Lines only ever grow: a top-down stream has nothing more for the corner once
    // past its last line.
    bool Done() const { return line_ >= height_ || (topDown_ && line_ >= corner_.height); }
    void Put(uint32_t colour) {
        if (x_ < width_) {
            const int y = Row();
            if (x_ < corner_.width && y < corner_.height)
                corner_.pixels[size_t(y) * size_t(corner_.width) + size_t(x_)] = colour;
            ++x_;
        }
    }
    // An encoded run: `first` and `second` in turn. Off the corner's rows it only
    // moves along, so that a long stream costs its length and not its pixels.
    void PutRun(uint32_t first, uint32_t second, int count) {
        if (Row() >= corner_.height) {
            x_ = std::min(x_ + count, width_);
            return;
        }
        for (int k = 0; k < count; ++k) Put(k % 2 ? second : first);
    }
    void NextLine() {
        x_ = 0;
        ++line_;
    }
    // Clamped, so that no stream can make the position overflow.
    void Move(int right, int up) {
        x_ = std::min(x_ + right, width_);
        line_ = std::min(line_ + up, height_);
    }

private:
    int Row() const { return topDown_ ? line_ : height_ - 1 - line_; }

    BmpImage& corner_;
    int width_, height_;
    bool topDown_;
    int x_ = 0;
    int line_ = 0;
};

// The stream's bytes in order, read in pieces.
class Stream {
public:
    Stream(BmpSource& source, uint64_t offset, uint64_t size)
        : source_(source), next_(offset), left_(size) {}

    uint64_t Left() const { return left_ + (buffer_.size() - at_); }
    // Copies up to `count` bytes to `out`; returns how many there were.
    size_t Take(uint8_t* out, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (at_ == buffer_.size() && !Refill()) break;
            const size_t n = std::min(count - done, buffer_.size() - at_);
            std::copy_n(buffer_.data() + at_, n, out + done);
            at_ += n;
            done += n;
        }
        return done;
    }

private:
    static constexpr uint64_t kPiece = 64 * 1024;

    bool Refill() {
        if (left_ == 0) return false;
        const size_t n = size_t(std::min(left_, kPiece));
        buffer_.resize(n);
        source_.Read(next_, buffer_.data(), n);
        next_ += n;
        left_ -= n;
        at_ = 0;
        return true;
    }

    BmpSource& source_;
    uint64_t next_;  // file offset of the next piece
    uint64_t left_;  // bytes of the stream not yet read
    std::vector<uint8_t> buffer_;
    size_t at_ = 0;
};

// Index k of a run whose bytes start at `p`: whole bytes, or high nibble first.
uint8_t IndexAt(const uint8_t* p, int k, int bitsPerIndex) {
    if (bitsPerIndex == 8) return p[k];
    const uint8_t b = p[k / 2];
    return uint8_t(k % 2 ? b & 0x0F : b >> 4);
}
}  // namespace

void DecodeRunLength(BmpSource& source, const BmpLayout& l, const PaletteColours& colours, BmpImage& image) {
    const int bits = l.bitsPerPixel;
    image.pixels.assign(size_t(image.width) * size_t(image.height), colours[0]);
    Cursor at(image, l.width, l.height, l.topDown);
    Stream in(source, l.dataOffset, l.dataSize);
    std::array<uint8_t, 256> run;
    while (!at.Done() && in.Left() >= 2) {
        in.Take(run.data(), 2);
        const uint8_t count = run[0], value = run[1];
        if (count > 0) {
            // An encoded run repeats one byte: its index, or its two nibbles in turn.
            const uint32_t first = colours[bits == 8 ? value : value >> 4];
            const uint32_t second = colours[bits == 8 ? value : value & 0x0F];
            at.PutRun(first, second, count);
        } else if (value == kEndOfLine) {
            at.NextLine();
        } else if (value == kEndOfBitmap) {
            return;
        } else if (value == kDelta) {
            if (in.Take(run.data(), 2) < 2) return;
            at.Move(run[0], run[1]);
        } else {
            const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            // A cut-short run sets what it holds and ends the stream.
            const size_t held = in.Take(run.data(), bytes);
            const int indices = int(std::min<size_t>(value, bits == 8 ? held : held * 2));
            for (int k = 0; k < indices; ++k) at.Put(colours[IndexAt(run.data(), k, bits)]);
            if (held < bytes) return;
            if (bytes % 2) in.Take(run.data(), 1);
        }
    }
}
