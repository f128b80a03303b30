// Masks may hold gaps or be empty; the channel's width runs from the lowest to
// the highest mask bit, so that any mask gives a value in 0..255.
#include "texture/MaskChannel.h"

MaskChannel::MaskChannel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    while (!(mask >> shift_ & 1u)) ++shift_;
    uint32_t top = 31;
    while (!(mask >> top & 1u)) --top;
    const uint32_t bits = top - shift_ + 1;
    if (bits < 8)
        left_ = 8 - bits;
    else
        right_ = bits - 8;
}
