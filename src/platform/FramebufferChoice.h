#pragma once
// Which of the framebuffer configurations a driver offers the view takes: the
// one with exactly 24 depth bits and no stencil where there is one (the pictures
// are made with that depth precision), else the nearest with a depth buffer.
#include <vector>

struct FramebufferTraits {
    int depth = 0;
    int stencil = 0;
    int alpha = 0;
    int accum = 0;  // red accumulation bits
    int samples = 0;
    bool slow = false;  // the driver marks it slow or non-conformant
};

constexpr int kWantedDepthBits = 24;
constexpr int kLeastDepthBits = 16;

// Index into `offered` of the configuration to use, or -1 when none has a depth
// buffer of at least 16 bits.
int ChooseFramebuffer(const std::vector<FramebufferTraits>& offered);
