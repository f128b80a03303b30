#pragma once
// One colour channel of a 16- or 32-bit pixel, picked out by its mask and brought
// to 8 bits.
#include <cstdint>

class MaskChannel {
public:
    explicit MaskChannel(uint32_t mask);

    // The channel's value in 0..255. A narrower channel is shifted up with its low
    // bits zero (5 bits of 31 give 248); a wider one keeps its high 8 bits; a
    // channel without mask bits reads 0.
    uint32_t Read(uint32_t pixel) const {
        const uint32_t v = (pixel & mask_) >> shift_;
        return left_ ? v << left_ : v >> right_;
    }

private:
    uint32_t mask_;
    uint32_t shift_ = 0;  // down to the mask's lowest bit
    uint32_t left_ = 0;   // up to 8 bits, for channels narrower than 8
    uint32_t right_ = 0;  // down to 8 bits, for wider ones
};
