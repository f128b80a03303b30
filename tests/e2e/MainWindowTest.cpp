// The main window as a user meets it: title, place, the frames-per-second box,
// the context menu, the spin animation and closing.
#include "E2eFixture.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace e2e {
namespace {

using MainWindowTest = E2eTest;

TEST_F(MainWindowTest, OpensTitledOverTheWholeScreenWithSettingsHidden) {
    EXPECT_EQ(MainTitle(), kMainTitle);

    const QString geometry = Xdo({"getwindowgeometry", QString::number(viewer.Main().id)});
    EXPECT_TRUE(geometry.contains(QStringLiteral("Position: 0,0"))) << geometry.toStdString();
    EXPECT_TRUE(geometry.contains(QStringLiteral("Geometry: 1280x1024"))) << geometry.toStdString();
    // The program's own icon, which the task bar and the window switcher show.
    const QString icon = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(viewer.Main().id),
                                                           QStringLiteral("_NET_WM_ICON")});
    EXPECT_TRUE(icon.contains(QStringLiteral("(CARDINAL) = "))) << icon.toStdString();

    EXPECT_FALSE(FindVisibleWindow(kSettingsTitle).has_value());
    EXPECT_FALSE(MessageBoxShown());
}

TEST_F(MainWindowTest, FpsBoxReadingChanges) {
    // The first readout replaces the start text, later ones follow the frame rate;
    // over a few seconds the box must show at least two different readings.
    const QImage box = NextFpsReading();
    ASSERT_FALSE(box.isNull()) << "the reading did not change";
    // Something is written in the box: its inside is not one flat colour. The
    // number is left-aligned, so the right end shows the background.
    const QRgb corner = box.pixel(box.width() - 5, box.height() / 2);
    long other = 0;
    for (int y = 3; y < box.height() - 3; ++y)
        for (int x = 3; x < box.width() - 3; ++x) other += box.pixel(x, y) != corner;
    EXPECT_GT(other, 0) << "the fps box shows no text";
}

TEST_F(MainWindowTest, RightClickOpensMenuAndEscapeClosesIt) {
    const QImage before = SettledScreen();
    const QRect menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    // A menu-sized patch next to the pointer, not a redraw of the scene.
    EXPECT_TRUE(menu.adjusted(-4, -4, 4, 4).contains(menuAt));
    EXPECT_GT(menu.width(), 50);
    EXPECT_GT(menu.height(), 40);
    EXPECT_LT(menu.width() * menu.height(), 1280 * 1024 / 10);

    Xdo({"key", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return Compare(before, Screenshot(), {kFpsMargin}).count == 0; },
                        4000, 200))
        << "closing the menu left the picture changed";
    EXPECT_TRUE(viewer.Running());
}

TEST_F(MainWindowTest, SpinTurnsThePictureUntilSwitchedOff) {
    const QImage still = SettledScreen();
    Choose(MenuItem::Spin);
    const QRect menu = menuRect.translated(menuAt);

    // Spinning: successive pictures differ.
    const QImage a = Screenshot();
    QImage b;
    EXPECT_TRUE(WaitFor(
        [&] {
            b = Screenshot();
            return Compare(a, b, {kFpsMargin, menu}).count > 500;
        },
        5000, 100));
    EXPECT_GT(Compare(still, b, {kFpsMargin, menu}).count, 500);

    // Off again: the picture stops where the spin left it.
    Choose(MenuItem::Spin);
    const QImage stopped = SettledScreen();
    ASSERT_FALSE(stopped.isNull()) << "the picture does not stop";
    EXPECT_TRUE(StaysStill(stopped, 800));
    EXPECT_GT(Compare(still, stopped, {kFpsMargin, menu}).count, 500)
        << "the spin did not keep its angle";
}

TEST_F(MainWindowTest, PhaseAnimationMovesTheSurfaceAndSpinReplacesIt) {
    const QImage still = SettledScreen();
    Choose(MenuItem::Phase);
    const QRect menu = menuRect.translated(menuAt);
    const QImage a = Screenshot();
    EXPECT_TRUE(WaitFor([&] { return Compare(a, Screenshot(), {kFpsMargin, menu}).count > 500; },
                        5000, 100));

    // The two items are one radio group: choosing the spin stops the phase, and
    // choosing the spin again stops everything.
    Choose(MenuItem::Spin);
    Choose(MenuItem::Spin);
    const QImage stopped = SettledScreen();
    ASSERT_FALSE(stopped.isNull()) << "an animation still runs";
    EXPECT_TRUE(StaysStill(stopped, 800)) << "an animation still runs";
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramWithZero) {
    RequestClose(viewer.Main().id);
    const std::optional<int> code = viewer.WaitForExit(10000);
    ASSERT_TRUE(code.has_value()) << "the program did not end by itself";
    EXPECT_EQ(*code, 0);
    EXPECT_FALSE(MessageBoxShown());
}

// Tests that move, with the program's runs after them, to an X server of their own.
class OwnServerTest : public E2eTest {
protected:
    bool StartsInSetUp() const override { return false; }
    void TearDown() override {
        E2eTest::TearDown();
        if (!savedDisplay_.isNull()) qputenv("DISPLAY", savedDisplay_);
        server_.terminate();
        server_.waitForFinished(5000);
    }
    // Moves to the server `server_` was started as, under the name `display`.
    void UseDisplay(const QString& display) {
        ASSERT_FALSE(display.isEmpty()) << "the X server did not start: "
                                        << server_.readAllStandardError().toStdString();
        if (savedDisplay_.isNull()) savedDisplay_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", display.toLocal8Bit());
    }

    QProcess server_;

private:
    QByteArray savedDisplay_;
};

// On a scaled desktop the picture keeps the screen's device pixels: the same bytes
// as unscaled, where the frames-per-second box (scaled with the rest) is not.
class ScaledDisplayTest : public OwnServerTest {
protected:
    // The start picture, then the picture after a left-button drag that xdotool
    // makes in device pixels: the same hand movement turns the view as far at
    // every scale.
    std::pair<QImage, QImage> PicturesAt(double scale) {
        viewer.Reset();
        viewer.SetEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        if (!viewer.Start()) return {};
        const QImage start = SettledScreen(kShowMs, Screenshot, {FpsMarginAt(scale)});
        Xdo({"mousemove", "640", "512", "sleep", "0.2", "mousedown", "1", "mousemove", "700", "540",
             "sleep", "0.2", "mouseup", "1"});
        return {start, ChangedScreen(start, {FpsMarginAt(scale)})};
    }
    // Moves this test, and the program's runs after it, to an X server of `size`.
    void UseScreen(QSize size, const QStringList& options) {
        server_.terminate();
        server_.waitForFinished(5000);
        UseDisplay(StartXvfb(server_, size, options));
    }
};

TEST_F(ScaledDisplayTest, FractionalScalesDrawAndTurnAsWithoutScaling) {
    // 1366 by 768 at 1.25 is 1092.8 by 614.4 logical pixels: no whole size. A
    // server without RandR has Qt make its screen of the X screen itself, and
    // 1024x768 at 1.5 is 683x512 logical pixels, where 683 × 1.5 is 1025.
    const struct {
        QSize screen;
        std::vector<double> scales;
        QStringList options;
    } cases[] = {{QSize(1280, 1024), {1.25, 1.5}, {}},
                 {QSize(1366, 768), {1.25}, {}},
                 {QSize(1024, 768), {1.5}, {QStringLiteral("-extension"), QStringLiteral("RANDR")}}};
    for (const auto& c : cases) {
        if (c.screen != QSize(1280, 1024)) {
            ASSERT_NO_FATAL_FAILURE(UseScreen(c.screen, c.options));
        }
        const auto [plain, plainTurned] = PicturesAt(1);
        const std::string screen = std::to_string(c.screen.width()) + "x" + std::to_string(c.screen.height());
        ASSERT_FALSE(plain.isNull() || plainTurned.isNull()) << "no pictures at 1 on " << screen;
        ASSERT_EQ(plain.size(), c.screen);
        for (double scale : c.scales) {
            const auto [start, turned] = PicturesAt(scale);
            ASSERT_FALSE(start.isNull() || turned.isNull()) << "no pictures at " << scale << " on " << screen;
            // The scale took effect: the box, grown with it, covers the picture
            // past halfway from the unscaled box's edges to the scaled box's.
            const Diff box = Compare(plain.copy(FpsMarginAt(scale)), start.copy(FpsMarginAt(scale)));
            const double halfway = (1 + scale) / 2;
            const std::string grown = "the frames-per-second box at " + std::to_string(scale) + " on " +
                                      screen + " changes the picture up to " +
                                      std::to_string(box.bounds.right() + 1) + "x" +
                                      std::to_string(box.bounds.bottom() + 1);
            EXPECT_GT(box.bounds.right() + 1, (kFpsBox.right() + 1) * halfway) << grown;
            EXPECT_GT(box.bounds.bottom() + 1, (kFpsBox.bottom() + 1) * halfway) << grown;
            for (const auto& [name, a, b] : {std::tuple{"start", plain, start}, {"turned", plainTurned, turned}}) {
                const Diff d = Compare(a, b, {FpsMarginAt(scale)});
                EXPECT_EQ(d.count, 0) << name << " picture at " << scale << " on " << screen << ": " << d;
            }
        }
    }
}

// Two monitors of different sizes side by side, 1024x768 left of 1280x1024, as
// RandR outputs of one X server with no window manager: what shows is the
// program's own placement.
class MonitorsTest : public OwnServerTest {
protected:
    void SetUp() override {
        OwnServerTest::SetUp();
        ASSERT_TRUE(folder_.isValid());
        ASSERT_NO_FATAL_FAILURE(UseDisplay(StartDummyXorg(server_, folder_.path(), QSize(2304, 1024))));
        Xrandr({"--newmode", "1280x1024", "108", "1280", "1328", "1440", "1688", "1024", "1025", "1028",
                "1066", "+hsync", "+vsync"});
        Xrandr({"--addmode", "DUMMY1", "1280x1024"});
    }
    static void Xrandr(const QStringList& args) { RunTool(QStringLiteral("xrandr"), args); }
    // The settled picture of a run on the monitors as they are now, at `scale`.
    QImage PictureOfARun(double scale = 1) {
        viewer.Reset();
        viewer.SetEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        if (!viewer.Start()) return {};
        return SettledScreen(kShowMs, Screenshot,
                             {FpsMarginAt(scale).translated(viewer.Main().geometry.topLeft())});
    }

    QTemporaryDir folder_;
};

TEST_F(MonitorsTest, OpensOverThePrimaryMonitorWhereverItStands) {
    // The design's picture at each monitor's size: the program on that monitor
    // alone, where the GL tests hold its picture to the design's drawing.
    Xrandr({"--output", "DUMMY1", "--off", "--output", "DUMMY0", "--mode", "1024x768", "--pos", "0x0"});
    const QImage small = PictureOfARun();
    Xrandr({"--output", "DUMMY0", "--mode", "640x480"});
    const QImage own = PictureOfARun();
    Xrandr({"--output", "DUMMY0", "--off", "--output", "DUMMY1", "--mode", "1280x1024", "--pos", "0x0"});
    const QImage large = PictureOfARun();
    ASSERT_EQ(small.size(), QSize(1024, 768));
    ASSERT_EQ(own.size(), QSize(640, 480));
    ASSERT_EQ(large.size(), QSize(1280, 1024));

    Xrandr({"--output", "DUMMY0", "--mode", "1024x768", "--pos", "0x0", "--output", "DUMMY1", "--mode",
            "1280x1024", "--pos", "1024x0"});
    const struct {
        const char* name;
        std::vector<QStringList> setUp;
        QRect monitor;
        QImage design;
        double scale = 1;
    } cases[] = {
        {"primary left", {{"--output", "DUMMY0", "--primary"}}, QRect(0, 0, 1024, 768), small},
        {"primary right", {{"--output", "DUMMY1", "--primary"}}, QRect(1024, 0, 1280, 1024), large},
        // A monitor of the user's own over part of the right one takes its place
        // as the primary: no RandR output has its name. Its size is no other
        // monitor's, so that another monitor's would show.
        {"own monitor",
         {{"--output", "DUMMY1", "--primary"}, {"--setmonitor", "PART", "640/169x480/127+1280+256", "DUMMY1"}},
         QRect(1280, 256, 640, 480),
         own},
        // 640x480 at 1.5 is 427x320 logical pixels, and 427 × 1.5 is 640.5.
        {"own monitor at 1.5", {}, QRect(1280, 256, 640, 480), own, 1.5},
    };
    for (const auto& c : cases) {
        for (const QStringList& args : c.setUp) Xrandr(args);
        const QImage shot = PictureOfARun(c.scale);
        ASSERT_FALSE(shot.isNull()) << c.name << ": no picture";
        // Without a window manager the window is its client area, as the form
        // placed and sized it.
        const QRect client = viewer.Main().geometry;
        EXPECT_TRUE(client == c.monitor) << c.name << ": the form covers (" << client.x() << ", "
                                         << client.y() << ") " << client.width() << "x" << client.height();
        // The monitor shows the design's picture at its size, with the box.
        const QRect box = FpsMarginAt(c.scale);
        const Diff d = Compare(shot.copy(c.monitor), c.design, {box});
        EXPECT_EQ(d.count, 0) << c.name << ", against the design's picture: " << d;
        // The settings window opens beside it, at the design's offsets from its
        // corner (the menu's rows are found at scale 1).
        if (c.scale != 1) continue;
        menuAt = c.monitor.center();
        const TopWindow settings = OpenSettings();
        EXPECT_TRUE(settings.geometry.topLeft() == c.monitor.topLeft() + QPoint(198, 106))
            << c.name << ": the settings window opens at (" << settings.geometry.x() << ", "
            << settings.geometry.y() << ")";
    }
}

}  // namespace
}  // namespace e2e
