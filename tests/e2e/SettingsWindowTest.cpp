// The settings window driven from outside: opening and closing it, the formula,
// the mode, the texture number and a bound that is not a number.
#include "E2eFixture.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

namespace e2e {
namespace {

// Points of the settings window's client area, from its layout.
const QPoint kFormulaList(8 + 10 + 90, 16 + 24 + 10);
const QPoint kWireframeItem(223 + 30, 16 + 40);
const QPoint kSurfaceItem(223 + 30, 16 + 22);
const QPoint kTextureField(328 + 10 + 20, 16 + 24 + 10);
const QPoint kLowerBoundA(8 + 28, 88 + 10);
// The near part of the surface covers the lower half of the screen.
const QRect kSurfaceArea(100, 600, 1080, 400);

// The bounds of the dark grey pixels (text) in `area`.
QRect TextLine(const QImage& shot, const QRect& area) {
    QRect found;
    const QRect upper = area.intersected(shot.rect());
    for (int y = upper.top(); y <= upper.bottom(); ++y)
        for (int x = upper.left(); x <= upper.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (std::max({qRed(p), qGreen(p), qBlue(p)}) < 90 &&
                std::abs(qRed(p) - qBlue(p)) < 20)
                found = found.united(QRect(x, y, 1, 1));
        }
    return found;
}

// Pixels where `line` (a tight crop of one line of text on `background`) and the
// expected text, drawn here in the default font and the line's own colours,
// disagree about ink, as a share of the inked pixels; 1 when the sizes differ.
double TextMismatch(const QImage& line, QRgb background, const QString& expected) {
    QRgb ink = background;
    for (int y = 0; y < line.height(); ++y)
        for (int x = 0; x < line.width(); ++x)
            if (qGray(line.pixel(x, y)) < qGray(ink)) ink = line.pixel(x, y);
    const int threshold = (qGray(ink) + qGray(background)) / 2;

    const QFontMetrics metrics(QGuiApplication::font());
    QImage drawn(metrics.horizontalAdvance(expected) + 20, metrics.height() + 20,
                 QImage::Format_RGB32);
    drawn.fill(background);
    {
        QPainter p(&drawn);
        p.setFont(QGuiApplication::font());
        p.setPen(QColor(ink));
        p.drawText(10, 10 + metrics.ascent(), expected);
    }
    const QRect tight = TextLine(drawn, drawn.rect());
    if (tight.size() != line.size()) return 1.0;
    const QImage ref = drawn.copy(tight);
    long inked = 0, differ = 0;
    for (int y = 0; y < line.height(); ++y)
        for (int x = 0; x < line.width(); ++x) {
            const bool a = qGray(line.pixel(x, y)) < threshold;
            const bool b = qGray(ref.pixel(x, y)) < threshold;
            inked += a || b;
            differ += a != b;
        }
    return inked ? double(differ) / inked : 1.0;
}

class SettingsWindowTest : public E2eTest {
protected:
    bool StartsInSetUp() const override { return false; }
    // Everything the settings window covers, and the fps box.
    std::vector<QRect> Covered(const TopWindow& settings) const {
        return {kFpsMargin, settings.geometry.adjusted(-2, -2, 2, 2)};
    }
};

TEST_F(SettingsWindowTest, OpensFromTheMenuAndClosingOnlyHidesIt) {
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    EXPECT_EQ(settings.name, kSettingsTitle);
    EXPECT_EQ(settings.geometry.size(), QSize(517, 373));
    // Leave a mark: another formula.
    ClickSettings(settings, kFormulaList);
    ASSERT_TRUE(WaitForPopup(true)) << "the list did not open";
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitForPopup(false)) << "the list did not close";
    Xdo({"key", "Down"});
    ASSERT_TRUE(WaitFor([&] { return MainTitle() == kMainTitlePrefix + "a*(x^2+z^2)"; }, 3000));
    Xdo({"mousemove", QString::number(menuAt.x()), QString::number(menuAt.y())});
    const QImage left = SettledScreen().copy(settings.geometry);

    RequestClose(settings.id);
    EXPECT_TRUE(WaitFor([&] { return !FindVisibleWindow(kSettingsTitle).has_value(); }, 5000))
        << "the settings window did not close";
    EXPECT_TRUE(viewer.Running());
    EXPECT_TRUE(FindVisibleWindow(MainTitle(), viewer.Pid()).has_value());
    EXPECT_FALSE(MessageBoxShown());

    // Shown again, it is where it was and as the user left it.
    const TopWindow again = OpenSettings();
    EXPECT_EQ(again.geometry, settings.geometry);
    // The same control focused and the pointer away, so no highlight differs.
    ClickSettings(again, kFormulaList);
    ASSERT_TRUE(WaitForPopup(true)) << "the list did not open";
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitForPopup(false)) << "the list did not close";
    Xdo({"mousemove", QString::number(menuAt.x()), QString::number(menuAt.y())});
    const QImage back = SettledScreen().copy(again.geometry);
    EXPECT_LT(Compare(left, back, {}, 8).count, 400) << "the controls changed";
    EXPECT_EQ(MainTitle(), kMainTitlePrefix + "a*(x^2+z^2)");
}

TEST_F(SettingsWindowTest, FormulaChosenByKeyboardRetitlesTheMainWindow) {
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    // Clicking the list opens it; Escape closes it and leaves the focus on it.
    ClickSettings(settings, kFormulaList);
    ASSERT_TRUE(WaitForPopup(true)) << "the list did not open";
    Xdo({"key", "Escape"});
    ASSERT_TRUE(WaitForPopup(false)) << "the list did not close";
    const QImage before = SettledScreen();

    Xdo({"key", "Down"});
    EXPECT_TRUE(WaitFor([&] { return MainTitle() == kMainTitlePrefix + "a*(x^2+z^2)"; }, 3000))
        << MainTitle().toStdString();
    // The paraboloid replaces the ripples.
    EXPECT_GT(Compare(before, SettledScreen(), Covered(settings), 8).count, 10000);

    Xdo({"key", "Down", "Down"});
    EXPECT_TRUE(WaitFor([&] { return MainTitle() == kMainTitlePrefix + "a*SGN(x*z)"; }, 3000))
        << MainTitle().toStdString();
    Xdo({"key", "End"});
    EXPECT_TRUE(WaitFor(
        [&] { return MainTitle() == kMainTitlePrefix + "0.01*a*sh(b*i + t)*ch(c*j + t)"; }, 3000))
        << MainTitle().toStdString();
    Xdo({"key", "Home"});
    EXPECT_TRUE(WaitFor([&] { return MainTitle() == kMainTitle; }, 3000)) << MainTitle().toStdString();
}

TEST_F(SettingsWindowTest, WireframeDrawsLinesOnADarkBackground) {
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    const QImage surface = SettledScreen();
    const double surfaceLit = LitShare(surface, kSurfaceArea);

    ClickSettings(settings, kWireframeItem);
    const QImage wires = ChangedScreen(surface);
    ASSERT_FALSE(wires.isNull()) << "nothing changed";
    const double wiresLit = LitShare(wires, kSurfaceArea);
    EXPECT_GT(surfaceLit, 0.8);
    EXPECT_LT(wiresLit, 0.5) << "still a filled surface";
    EXPECT_GT(wiresLit, 0.01) << "no lines drawn";
    // The wire colour at start is a dark green.
    const MeanColour c = MeanLitColour(wires, kSurfaceArea, 20);
    EXPECT_GT(c.g, c.r + 10);
    EXPECT_GT(c.g, c.b + 10);

    ClickSettings(settings, kSurfaceItem);
    const QImage back = ChangedScreen(wires);
    ASSERT_FALSE(back.isNull()) << "nothing changed";
    EXPECT_NEAR(LitShare(back, kSurfaceArea), surfaceLit, 0.02);
}

TEST_F(SettingsWindowTest, ClosingTheSettingsWindowKeepsTheWireColour) {
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    const QImage surface = SettledScreen();
    ClickSettings(settings, kWireframeItem);
    MeanColour c = MeanLitColour(ChangedScreen(surface), kSurfaceArea, 20);
    ASSERT_GT(c.g, c.r + 10) << "the start wire colour is a dark green";

    // No colour was chosen: hiding the window must not copy the chooser's
    // (black) entry into the wire colour.
    RequestClose(settings.id);
    ASSERT_TRUE(WaitFor([&] { return !FindVisibleWindow(kSettingsTitle).has_value(); }, 5000));
    const QImage after = SettledScreen();
    EXPECT_GT(LitShare(after, kSurfaceArea, 20), 0.01) << "the wires went dark";
    c = MeanLitColour(after, kSurfaceArea, 20);
    EXPECT_GT(c.g, c.r + 10);
    EXPECT_GT(c.g, c.b + 10);
}

TEST_F(SettingsWindowTest, TextureNumberChangesTheSurfaceColours) {
    viewer.WriteTexture(1, QColor(230, 40, 40));
    viewer.WriteTexture(2, QColor(40, 40, 230));
    viewer.WriteTexture(4, QColor(40, 230, 40));  // behind a gap: never loaded
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    MeanColour c = MeanLitColour(SettledScreen(), kSurfaceArea);
    EXPECT_GT(c.r, 1.5 * c.b) << "texture 1 is red";

    ClickSettings(settings, kTextureField);
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "2"});
    EXPECT_TRUE(WaitFor(
        [&] {
            c = MeanLitColour(Screenshot(), kSurfaceArea);
            return c.b > 1.5 * c.r;
        },
        5000, 100))
        << "texture 2 is blue";

    // "4" is no entry: the surface loses its texture, and the green file behind
    // the gap never shows.
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "4"});
    EXPECT_TRUE(WaitFor(
        [&] {
            c = MeanLitColour(Screenshot(), kSurfaceArea);
            return std::abs(c.r - c.b) < 20 && std::abs(c.g - c.b) < 20;
        },
        5000, 100))
        << "untextured grey";
    c = MeanLitColour(SettledScreen(), kSurfaceArea);
    EXPECT_NEAR(c.r, c.b, 20);
    EXPECT_NEAR(c.g, c.b, 20);
    EXPECT_FALSE(MessageBoxShown());
}

TEST_F(SettingsWindowTest, InvalidBoundRaisesAnErrorBoxAndTheProgramRunsOn) {
    StartViewer();
    const TopWindow settings = OpenSettings();
    ASSERT_NE(settings.id, 0u);
    ClickSettings(settings, kLowerBoundA);
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "q"});

    std::optional<TopWindow> box;
    ASSERT_TRUE(
        WaitFor([&] { return (box = FindVisibleWindow(kAppTitle, viewer.Pid())).has_value(); }, 5000))
        << "no box titled " << kAppTitle.toStdString();
    ASSERT_FALSE(SettledArea(box->geometry).isNull()) << "the box is not drawn";
    Xdo({"windowfocus", "--sync", QString::number(box->id)});

    // The message, read off the screen: its line of text must match the expected
    // text drawn in the same (default) font.
    const QImage shot = Screenshot();
    // The message's line: the icon is coloured and the button sits lower.
    const QRect& g = box->geometry;
    const QRect text = TextLine(shot, QRect(g.left(), g.top(), g.width(), g.height() * 3 / 5));
    ASSERT_FALSE(text.isNull()) << "no text in the box";
    const QString expected = QStringLiteral("'q' is not a valid floating point value.");
    const QRgb background = shot.pixel(text.left() - 3, text.center().y());
    EXPECT_LT(TextMismatch(shot.copy(text), background, expected), 0.005);
    // The comparison tells even a one-letter change apart.
    EXPECT_GT(TextMismatch(shot.copy(text), background,
                           QStringLiteral("'p' is not a valid floating point value.")),
              0.01);

    Xdo({"key", "Return"});
    EXPECT_TRUE(WaitFor([&] { return !FindVisibleWindow(kAppTitle).has_value(); }, 5000))
        << "the box stayed";
    EXPECT_TRUE(viewer.Running());
    EXPECT_TRUE(FindVisibleWindow(kSettingsTitle, viewer.Pid()).has_value());

    // A valid bound again: the column works (the surface and the value of a
    // change) and no box follows. The edit's blinking cursor is no change.
    ClickSettings(settings, kLowerBoundA);
    const QPoint edit = settings.geometry.topLeft() + kLowerBoundA;
    const std::vector<QRect> cursor = {kFpsMargin,
                                       QRect(edit - QPoint(40, 15), edit + QPoint(40, 15))};
    const QImage before = SettledScreen(kShowMs, Screenshot, cursor);
    Xdo({"key", "ctrl+a"});
    Xdo({"type", "10"});
    EXPECT_FALSE(ChangedScreen(before, cursor).isNull()) << "the column did not take the bound";
    EXPECT_FALSE(MessageBoxShown());
    EXPECT_TRUE(viewer.Running());
}

}  // namespace
}  // namespace e2e
