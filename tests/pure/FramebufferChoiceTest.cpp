// Which offered configuration the view takes.
#include "platform/FramebufferChoice.h"

#include <gtest/gtest.h>

TEST(FramebufferChoiceTest, ExactDepthWithoutStencilElseTheNearestDepthBuffer) {
    FramebufferTraits deep{32, 0}, exact{24, 0}, stencilled{24, 8}, shallow{16, 0}, none{0, 0};
    FramebufferTraits slowExact = exact;
    slowExact.slow = true;
    FramebufferTraits alphaExact = exact;
    alphaExact.alpha = 8;
    // Drivers list the deepest first; the exact one wins wherever it stands.
    EXPECT_EQ(ChooseFramebuffer({deep, stencilled, alphaExact, exact, shallow}), 3);
    EXPECT_EQ(ChooseFramebuffer({slowExact, deep}), 1);
    // Without it: 24 bits with a stencil, then deeper before shallower.
    EXPECT_EQ(ChooseFramebuffer({deep, shallow, stencilled}), 2);
    EXPECT_EQ(ChooseFramebuffer({shallow, deep}), 1);
    EXPECT_EQ(ChooseFramebuffer({shallow}), 0);
    EXPECT_EQ(ChooseFramebuffer({none, FramebufferTraits{8, 0}}), -1);
    EXPECT_EQ(ChooseFramebuffer({}), -1);
}
