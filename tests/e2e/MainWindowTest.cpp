// The main window as a user meets it: title, place, the frames-per-second box,
// the context menu, the spin animation and closing.
#include "E2eFixture.h"

#include <QRegularExpression>
#include <QtMath>

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

// On a scaled desktop the picture keeps the screen's device pixels: the same bytes
// as unscaled, where the frames-per-second box (scaled with the rest) is not.
class ScaledDisplayTest : public E2eTest {
protected:
    bool StartsInSetUp() const override { return false; }
    void TearDown() override {
        E2eTest::TearDown();
        if (!savedDisplay_.isNull()) qputenv("DISPLAY", savedDisplay_);
        xvfb_.terminate();
        xvfb_.waitForFinished(5000);
    }

    static QRect BoxAt(double scale) {
        return QRect(0, 0, qCeil(kFpsMargin.width() * scale), qCeil(kFpsMargin.height() * scale));
    }
    // The start picture, then the picture after a left-button drag that xdotool
    // makes in device pixels: the same hand movement turns the view as far at
    // every scale.
    std::pair<QImage, QImage> PicturesAt(double scale) {
        viewer.Reset();
        viewer.SetEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        if (!viewer.Start()) return {};
        const QImage start = SettledScreen(8000, Screenshot, {BoxAt(scale)});
        Xdo({"mousemove", "640", "512", "sleep", "0.2", "mousedown", "1", "mousemove", "700", "540",
             "sleep", "0.2", "mouseup", "1"});
        return {start, ChangedScreen(start, {BoxAt(scale)})};
    }
    // Moves this test, and the program's runs after it, to an X server of `size`.
    void UseScreen(QSize size) {
        const QString display = StartXvfb(xvfb_, size);
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
        if (savedDisplay_.isNull()) savedDisplay_ = qgetenv("DISPLAY");
        qputenv("DISPLAY", display.toLocal8Bit());
    }

    QProcess xvfb_;
    QByteArray savedDisplay_;
};

TEST_F(ScaledDisplayTest, FractionalScalesDrawAndTurnAsWithoutScaling) {
    // 1366 by 768 at 1.25 is 1092.8 by 614.4 logical pixels: no whole size.
    const struct {
        QSize screen;
        std::vector<double> scales;
    } cases[] = {{QSize(1280, 1024), {1.25, 1.5}}, {QSize(1366, 768), {1.25}}};
    for (const auto& c : cases) {
        if (c.screen != QSize(1280, 1024)) {
            ASSERT_NO_FATAL_FAILURE(UseScreen(c.screen));
        }
        const auto [plain, plainTurned] = PicturesAt(1);
        const std::string screen = std::to_string(c.screen.width()) + "x" + std::to_string(c.screen.height());
        ASSERT_FALSE(plain.isNull() || plainTurned.isNull()) << "no pictures at 1 on " << screen;
        ASSERT_EQ(plain.size(), c.screen);
        for (double scale : c.scales) {
            const auto [start, turned] = PicturesAt(scale);
            ASSERT_FALSE(start.isNull() || turned.isNull()) << "no pictures at " << scale << " on " << screen;
            for (const auto& [name, a, b] : {std::tuple{"start", plain, start}, {"turned", plainTurned, turned}}) {
                const Diff d = Compare(a, b, {BoxAt(scale)});
                EXPECT_EQ(d.count, 0) << name << " picture at " << scale << " on " << screen << ": " << d.count
                                      << " pixels differ, within (" << d.bounds.x() << ", " << d.bounds.y()
                                      << ") " << d.bounds.width() << "x" << d.bounds.height();
            }
        }
    }
}

}  // namespace
}  // namespace e2e
