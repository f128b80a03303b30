// The program on a Wayland desktop: natively on a compositor without X, and in
// a Wayland session that also offers an X server, where it runs on X.
#include "ViewerSession.h"
#include "WestonSession.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

// Where the picture is on Weston's output: below the panel, the title bar and
// the frames-per-second box, clear of the window's edges.
const QRect kPicture(20, 120, 1240, 880);
// The near part of the surface.
const QRect kSurfaceArea(100, 600, 1080, 400);
// Sky between the frames-per-second box, the marker's upright arrow and the
// surface's far edge.
const QRect kSkyAreas[] = {QRect(250, 125, 300, 80), QRect(750, 125, 350, 80)};
// The corner of the window that holds the frames-per-second box.
const QRect kBoxCorner(0, 32, 200, 120);

// The parts of two pictures that differ, inside `area`.
Diff CompareIn(const QImage& a, const QImage& b, const QRect& area) {
    return Compare(a.copy(area), b.copy(area));
}

QString Num(int v) { return QString::number(v); }

// Most of the near surface is drawn, and its red texture shows through the light.
bool ShowsRedSurface(const QImage& shot) {
    const MeanColour c = MeanLitColour(shot, kSurfaceArea);
    return c.pixels > kSurfaceArea.width() * kSurfaceArea.height() / 2 && c.r > 1.5 * c.g &&
           c.r > 1.5 * c.b;
}

class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(weston.Start()); }

    void TearDown() override {
        if (HasFailure())
            std::cerr << "program output:\n"
                      << viewer.Output().toStdString() << "\nweston log:\n"
                      << weston.Log().toStdString() << "\n";
        viewer.Kill();
        weston.Stop();
        if (!savedDisplay_.isNull()) qputenv("DISPLAY", savedDisplay_);
    }

    // The program on Weston alone, with no X server to fall back on, its
    // surface textured red; input from here on goes to Weston's X server.
    void StartOnWayland() {
        viewer.WriteTexture(1, QColor(230, 40, 40));
        viewer.SetEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        viewer.SetEnvironment(QStringLiteral("WAYLAND_DISPLAY"), weston.Socket());
        viewer.SetEnvironment(QStringLiteral("XDG_RUNTIME_DIR"), weston.RuntimeDir());
        viewer.SetEnvironment(QStringLiteral("DISPLAY"), QString());
        ASSERT_TRUE(viewer.Launch());
        savedDisplay_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", weston.XDisplay().toLocal8Bit());
        // Weston's X11 back end moves its pointer by the X pointer's relative
        // moves: a move to the corner first puts both at the same place.
        Xdo({"mousemove", "0", "0", "sleep", "0.1", "mousemove", "640", "512"});
    }

    QImage Settled() {
        return SettledScreen(kShowMs, [this] { return weston.Screenshot(); },
                             {QRect(0, 0, 1280, kPicture.top())});
    }

    WestonSession weston;
    ViewerSession viewer;

private:
    QByteArray savedDisplay_;
};

TEST_F(WaylandDesktopTest, NativeWaylandShowsTheTexturedSurfaceAndTheFrameCount) {
    StartOnWayland();
    QImage shot;
    const bool textured =
        WaitFor([&] { return ShowsRedSurface(shot = weston.Screenshot()); }, 30000, 200);
    const MeanColour c = MeanLitColour(shot, kSurfaceArea);
    ASSERT_TRUE(textured) << "no red surface on Weston; mean colour " << c.r << "," << c.g << ","
                          << c.b;

    // The view is opaque: the compositor shows its black sky, not what lies behind.
    const QImage composed = weston.Screenshot(true);
    ASSERT_FALSE(composed.isNull());
    for (const QRect& sky : kSkyAreas) {
        int other = 0;
        QRgb seen = 0;
        for (int y = sky.top(); y <= sky.bottom(); ++y)
            for (int x = sky.left(); x <= sky.right(); ++x)
                if (const QRgb p = composed.pixel(x, y); p != 0xFF000000u) {
                    ++other;
                    seen = p;
                }
        EXPECT_EQ(other, 0) << "sky pixels not opaque black, e.g. ARGB 0x" << std::hex << seen;
    }

    // The picture stands still while the box above it shows one count after
    // another: the changes stay inside a box-sized patch in the corner. The
    // settling leaves out the corner, where the window's title bar may still be
    // redrawn once as the window becomes active: a change wider than the box
    // starts the comparison anew, and one that never stops fails below.
    QImage still = Settled();
    ASSERT_FALSE(still.isNull());
    Diff box;
    EXPECT_TRUE(WaitFor(
        [&] {
            const QImage shot = weston.Screenshot();
            box = CompareIn(still, shot, kBoxCorner);
            if (box.bounds.width() > 31 || box.bounds.height() > 21) still = shot;
            return box.count > 0 && box.bounds.width() <= 31 && box.bounds.height() <= 21;
        },
        5000, 300))
        << "the frames-per-second box is not seen changing";
    EXPECT_LE(box.bounds.width(), 31);
    EXPECT_LE(box.bounds.height(), 21);
}

TEST_F(WaylandDesktopTest, NativeWaylandLeftDragTurnsAndRightReleaseOpensTheMenu) {
    StartOnWayland();
    ASSERT_TRUE(WaitFor([&] { return ShowsRedSurface(weston.Screenshot()); }, 30000, 200))
        << "no surface on Weston";

    // A drag to the right and down with the left button held.
    const QImage before = Settled();
    ASSERT_FALSE(before.isNull());
    QStringList drag = {"mousemove", "640", "560", "sleep", "0.2", "mousedown", "1"};
    for (int step = 1; step <= 6; ++step)
        drag << "sleep" << "0.05" << "mousemove" << Num(640 + 30 * step) << Num(560 + 10 * step);
    drag << "sleep" << "0.1" << "mouseup" << "1";
    Xdo(drag);
    EXPECT_TRUE(WaitFor(
        [&] { return CompareIn(before, weston.Screenshot(), kPicture).count > 20000; }, 10000, 200))
        << "the drag left the picture as it was";

    // Releasing the right button opens the menu at the pointer: a menu-sized
    // patch appears there, and nothing else changes.
    const QPoint at(900, 500);
    Xdo({"mousemove", Num(at.x()), Num(at.y())});
    const QImage turned = Settled();
    ASSERT_FALSE(turned.isNull());
    Xdo({"click", "3"});
    Diff menu;
    WaitFor(
        [&] {
            const QImage now = Settled();
            menu = CompareIn(turned, now, kPicture);
            return menu.count > 2000;
        },
        10000, 0);
    const QRect bounds = menu.bounds.translated(kPicture.topLeft());
    EXPECT_TRUE(bounds.adjusted(-4, -4, 4, 4).contains(at)) << "menu at " << bounds.x() << ","
                                                           << bounds.y();
    EXPECT_GT(bounds.width(), 50);
    EXPECT_GT(bounds.height(), 40);
    EXPECT_LT(bounds.width() * bounds.height(), 1280 * 1024 / 10);
}

// A desktop session on Wayland that also runs an X server, the user having
// chosen no platform: the program takes X and is placed as designed.
TEST_F(WaylandDesktopTest, WaylandSessionWithAnXServerRunsOnXAtTheOriginOverTheScreen) {
    viewer.SetEnvironment(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    viewer.SetEnvironment(QStringLiteral("WAYLAND_DISPLAY"), weston.Socket());
    viewer.SetEnvironment(QStringLiteral("XDG_RUNTIME_DIR"), weston.RuntimeDir());
    viewer.SetEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QString());
    ASSERT_TRUE(viewer.Start()) << "no main window on the X display";
    const QString geometry = Xdo({"getwindowgeometry", QString::number(viewer.Main().id)});
    EXPECT_TRUE(geometry.contains(QStringLiteral("Position: 0,0"))) << geometry.toStdString();
    EXPECT_TRUE(geometry.contains(QStringLiteral("Geometry: 1280x1024"))) << geometry.toStdString();
}

}  // namespace
}  // namespace e2e
