#include "FramebufferChoice.h"

#include <cstdlib>
#include <tuple>

namespace {
// Smaller is nearer. Depth first: 24 bits exactly, else the closest, deeper
// before shallower; then whatever costs without use (stencil, alpha,
// accumulation, multisampling); a slow configuration only as a last resort.
auto Distance(const FramebufferTraits& t) {
    return std::make_tuple(t.slow, std::abs(t.depth - kWantedDepthBits), t.depth < kWantedDepthBits,
                           t.stencil, t.alpha, t.accum, t.samples);
}
}  // namespace

int ChooseFramebuffer(const std::vector<FramebufferTraits>& offered) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(offered.size()); ++i) {
        const FramebufferTraits& t = offered[static_cast<size_t>(i)];
        if (t.depth < kLeastDepthBits) continue;
        if (best < 0 || Distance(t) < Distance(offered[static_cast<size_t>(best)])) best = i;
    }
    return best;
}
