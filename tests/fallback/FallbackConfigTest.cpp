// A driver that offers no configuration with 24 depth bits and no stencil: the
// viewer takes the nearest one for its window and context alike, starts and draws.
#include "platform/Application.h"
#include "platform/GlView.h"
#include "platform/x11/GlxConfig.h"
#include "shell/MainWindow.h"
#include "support/Picture.h"
#include "support/ViewConfig.h"
#include "support/Viewer.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <vector>

namespace {
bool Hidden(const FramebufferTraits& t) { return t.depth == 24 && t.stencil == 0; }
}  // namespace

using FallbackConfigTest = ViewerTest;

TEST_F(FallbackConfigTest, NearestConfigurationServesWindowAndContextAndDraws) {
    EXPECT_TRUE(ShownMessages().empty());
    ASSERT_NE(Form1->hRC, nullptr);
    const ViewConfig c = ReadViewConfig(Form1->View);
    ASSERT_NE(c.windowVisual, 0u);
    EXPECT_EQ(c.contextVisual, c.windowVisual);
    EXPECT_GE(c.depthBits, 16);
    EXPECT_FALSE(c.depthBits == 24 && c.stencilBits == 0);
    // Qt left to itself picks a configuration that meets all of the above too
    // (the deepest); the nearest of what the driver offers is the program's own.
    std::vector<FramebufferTraits> traits;
    std::vector<int> ids;
    for (const OfferedFramebuffer& o :
         OfferedFramebuffers(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display())) {
        if (Hidden(o.traits)) continue;
        traits.push_back(o.traits);
        ids.push_back(o.id);
    }
    const int nearest = ChooseFramebuffer(traits);
    ASSERT_GE(nearest, 0);
    EXPECT_EQ(c.contextConfigId, ids[static_cast<size_t>(nearest)]) << "depth " << c.depthBits << ", stencil " << c.stencilBits;

    const QImage picture = RenderedPicture();
    int lit = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) lit += (picture.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, picture.width() * picture.height() / 10);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // ctest lists the tests before running any: that must work without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    HideFramebuffersForTesting(Hidden);
    TApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Ливентор"));
    return RUN_ALL_TESTS();
}
