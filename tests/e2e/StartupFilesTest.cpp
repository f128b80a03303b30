// Start-ups from working folders with missing, broken and gapped texture
// files: the program runs on without a message box.
#include "E2eFixture.h"

namespace e2e {
namespace {

class StartupFilesTest : public E2eTest {
protected:
    bool StartsInSetUp() const override { return false; }

    // Started and running, through a reading of the frames-per-second box, with no
    // box on the screen; the settled picture.
    QImage RunsQuietly() {
        StartViewer();
        if (HasFatalFailure()) return {};
        EXPECT_FALSE(NextFpsReading().isNull()) << "the frame loop does not run";
        EXPECT_TRUE(viewer.Running());
        EXPECT_FALSE(MessageBoxShown());
        return SettledScreen();
    }
};

// The lower half of the screen is covered by the near part of the surface.
const QRect kSurfaceArea(100, 600, 1080, 400);

TEST_F(StartupFilesTest, NoTexturesFolderDrawsAnUntexturedSurface) {
    const QImage shot = RunsQuietly();
    ASSERT_FALSE(shot.isNull());
    const MeanColour c = MeanLitColour(shot, kSurfaceArea);
    EXPECT_GT(c.pixels, kSurfaceArea.width() * kSurfaceArea.height() / 2) << "no surface drawn";
    // Untextured and lit by white light: grey, no channel dominating.
    EXPECT_NEAR(c.r, c.b, 20);
    EXPECT_NEAR(c.g, c.b, 20);
}

TEST_F(StartupFilesTest, BrokenBitmapsAreSkippedQuietly) {
    const QImage bare = RunsQuietly();
    ASSERT_FALSE(bare.isNull());

    viewer.Reset();
    viewer.WriteFile(QStringLiteral("Textures/001.bmp"),
                     "This is a plain text file, not a bitmap.\n");
    const QImage textFile = RunsQuietly();
    ASSERT_FALSE(textFile.isNull());
    // Nothing loaded: the same picture as with no folder at all.
    EXPECT_LT(Compare(bare, textFile, {kFpsMargin}, 8).count, 200);

    // A header that promises more than the file holds.
    viewer.Reset();
    QByteArray truncated("BM");
    truncated += QByteArray::fromHex("3610000000000000360000002800000040000000400000000100180000");
    viewer.WriteFile(QStringLiteral("Textures/001.bmp"), truncated);
    const QImage shortFile = RunsQuietly();
    ASSERT_FALSE(shortFile.isNull());
    EXPECT_LT(Compare(bare, shortFile, {kFpsMargin}, 8).count, 200);
}

TEST_F(StartupFilesTest, GapInNumberingLoadsTheFilesBeforeIt) {
    viewer.WriteTexture(1, QColor(230, 40, 40));
    viewer.WriteTexture(2, QColor(40, 40, 230));
    viewer.WriteTexture(4, QColor(40, 230, 40));
    const QImage shot = RunsQuietly();
    ASSERT_FALSE(shot.isNull());
    // Texture 1 covers the surface: red shows through the lighting.
    const MeanColour c = MeanLitColour(shot, kSurfaceArea);
    EXPECT_GT(c.r, 1.5 * c.g);
    EXPECT_GT(c.r, 1.5 * c.b);
}

}  // namespace
}  // namespace e2e
