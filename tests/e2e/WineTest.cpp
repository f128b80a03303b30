// The Windows build under Wine (display, prefix, scale: scripts/windows/test.sh) driven as a user
// drives it, against this build's Linux program. Wine.Zip* (the unzipped WINE_TEST_APP) leave
// wine-start.png and wine-96dpi.ini in WINE_TEST_LOG, with all pictures, for Wine.ShortcutStart (the
// shortcut WINE_TEST_LINK), Wine.ScaledDisplay (WINE_TEST_DPI). Tools: WINE_TEST_TOOLS.
#include "ViewerSession.h"
#include <QDir>
#include <QSettings>
#include <cstdio>

using namespace e2e;
namespace {
using Rects = std::vector<QRect>;
// llvmpipe's rounding follows the view's height: colours move by a few levels (2 %), and on
// an edge it may tip the mipmap level of a 2 by 2 block.
constexpr int kRounding = 5, kRoundingPixels = 16;
QString Env(const char* name) { return qEnvironmentVariable(name); }
QString LogFile(const QString& name) { return QDir(Env("WINE_TEST_LOG")).filePath(name); }
void Do(const QString& xdotoolCommands) { Xdo(xdotoolCommands.split(' ')); }
QString MoveTo(QPoint p) { return QString("mousemove %1 %2 ").arg(p.x()).arg(p.y()); }
QSettings& At96() { static QSettings state(LogFile("wine-96dpi.ini"), QSettings::IniFormat); return state; }
// The screen once still outside `ignore`, kept in the log as `name`.
QImage Still(const Rects& ignore, const QString& name = {}) {
    const QImage shot = SettledScreen(kShowMs, Screenshot, ignore);
    EXPECT_TRUE(!shot.isNull() && (name.isEmpty() || shot.save(LogFile(name)))) << "no still " << qPrintable(name);
    return shot;
}
long Changed(const QImage& a, const QImage& b, const Rects& ignore) { return Compare(a, b, ignore).count; }
long ChangedBy(const QString& xdotoolCommands, const Rects& ignore, const QString& name) {
    const QImage before = Still(ignore);
    return Do(xdotoolCommands), Changed(before, Still(ignore, name), ignore);
}
std::optional<TopWindow> WaitWindow(const std::function<bool(const QString&)>& is) {
    std::optional<TopWindow> found;
    WaitFor([&] { for (const auto& w : VisibleTopWindows()) if (is(w.name)) found = w; return bool(found); }, kShowMs);
    return found;
}
// The settings window from the menu, where its content begins, and the screen with the pointer aside.
struct Settings { TopWindow window; QPoint content; QImage shown; };
Settings OpenSettings(const Rects& ignore, const QString& name, bool wine) {
    Do("mousemove 640 512 sleep 1 click 3 sleep 0.8 key Up sleep 0.2 key Return");
    const auto found = WaitWindow([](const QString& t) { return t == kSettingsTitle; });
    if (!found) return ADD_FAILURE() << "the settings window did not open", Settings{};
    Do("mousemove 640 1000 sleep 1");
    const QRect client = wine ? AskWindows(Env("WINE_TEST_TOOLS"), kSettingsTitle).client : found->geometry;
    return {*found, client.topLeft(), Still(ignore, name)};
}
// The ink (darker than 30 % of white) of "Прототип функции", the first group's title, at k % of 96 dpi.
QSize TitleInk(const Settings& s, int k) {
    QRect ink, crop(s.content + QPoint(8, 10) * k / 100, QSize(200, 22) * k / 100);
    for (int y = crop.top(); y <= crop.bottom(); ++y)
        for (int x = crop.left(); x <= crop.right(); ++x)
            if (s.shown.valid(x, y) && qGray(s.shown.pixel(x, y)) * 100 <= 30 * 255) ink |= QRect(x, y, 1, 1);
    return ink.size();
}

// One run of the program at a time, the Linux build's or the Windows build's under Wine.
class Wine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qunsetenv("QT_QPA_PLATFORM"); }  // Qt under Wine picks its own
    void SetUp() override { run_.setProcessChannelMode(QProcess::ForwardedChannels); }
    void TearDown() override { EXPECT_TRUE(run_.state() == QProcess::NotRunning || Close() == 0) << "exit code"; }
    void Start(const QString& dir, const QString& exe, const QStringList& args) {
        run_.setWorkingDirectory(dir);
        run_.start(exe, args);
    }
    void FindMain(const char* failure) {
        const auto found = WaitWindow([](const QString& t) { return t.startsWith(kMainTitlePrefix); });
        ASSERT_TRUE(found) << failure;
        main_ = *found;
        Do("sleep 2");
    }
    // From its run folder, with its textures; no window manager: its view is the screen.
    void StartLinux() {
        Start(QFileInfo(VIEWER_EXE).path(), VIEWER_EXE, {});
        ASSERT_NO_FATAL_FAILURE(FindMain("the Linux build did not start"));
        box_ = kFpsBox.topLeft(), frameOut_ = 0, mask_ = {kFpsMargin};
    }
    void StartWine(int k = 100) { Start(Env("WINE_TEST_APP"), "wine", {"./surface-viewer.exe"}), Place(k); }
    void Place(int k = 100) {  // the main window as Wine placed it at k % of 96 dpi
        ASSERT_NO_FATAL_FAILURE(FindMain("the Windows build did not start under Wine"));
        const WindowsWindow asked = AskWindows(Env("WINE_TEST_TOOLS"), main_.name);
        const QRect c = asked.client;
        ASSERT_FALSE(c.isNull()) << "no client area for the main window under Wine";
        box_ = c.topLeft() + QPoint(2, 1), frameOut_ = std::max(0, -asked.corner.x());
        EXPECT_TRUE(frameOut_ <= 8 * k / 100 && std::max(0, -asked.corner.y()) == frameOut_)
            << "the main window's frame begins at (" << asked.corner.x() << ", " << asked.corner.y()
            << "), not as far beyond both edges";
        // Some 20 rows down, below Wine's caption: all above the box is masked.
        EXPECT_TRUE(box_.y() >= 1 && box_.y() <= 64 * k / 100) << "the fps box at row " << box_.y();
        // The maximised form's frame lies beyond the screen: the picture's lower left is the screen's.
        const QSize screen = Screenshot().size();
        EXPECT_TRUE(c.x() == 0 && c.y() + c.height() == screen.height() && c.width() == screen.width())
            << "the client area spans (" << c.x() << ", " << c.y() << ") to (" << c.x() + c.width() << ", "
            << c.y() + c.height() << ")";
        mask_ = {QRect(0, 0, screen.width(), c.y()), QRect(QPoint(0, 0), box_ + QPoint(45 * k / 100, 30 * k / 100))};
    }
    int Close() {  // as a user closes it: the exit code, or -1
        RequestClose(main_.id);
        return run_.waitForFinished(kShowMs) && run_.exitStatus() == QProcess::NormalExit ? run_.exitCode() : -1;
    }
    // The box read once a second for five seconds, by a reader drawing it as the program's platform does.
    double ReadFps(const QStringList& reader = {"wine", Env("WINE_TEST_TOOLS") + "/read_fps.exe"}) {
        std::vector<QImage> crops;
        const QRect box(box_ + QPoint(1, 1) * frameOut_, kFpsBox.size());
        for (int i = 0; i < 5; ++i, crops.push_back(Screenshot().copy(box))) Do("sleep 1");
        return MeanFpsReading(reader, crops, frameOut_).value_or(0);
    }
    QProcess run_;  // not running when Wine's start started the program
    TopWindow main_;
    QPoint box_;  // the fps box, whose content Wine 10 shifts and cuts off by the frame beyond the screen
    int frameOut_ = 0;
    Rects mask_;  // what comparisons leave out: the caption, the box and its margin
};

// The machine's speed drifts (two shared cores): Wine's rate is read before Linux's and after.
TEST_F(Wine, ZipProgramAgainstLinux) {
    ASSERT_NO_FATAL_FAILURE(StartWine());
    const double wineBefore = ReadFps();
    EXPECT_EQ(Close(), 0) << "the Windows build did not end with 0";
    ASSERT_NO_FATAL_FAILURE(StartLinux());
    const QImage linuxStart = Still(mask_, "linux-start.png");
    const double linuxFps = ReadFps({VIEWER_READ_FPS});
    At96().setValue("linux-title", TitleInk(OpenSettings(mask_, "linux-settings.png", false), 100));
    EXPECT_EQ(Close(), 0) << "the Linux build did not end with 0";
    ASSERT_NO_FATAL_FAILURE(StartWine());
    const QImage wineStart = Still(mask_, "wine-start.png");
    At96().setValue("mask", QVariantList{mask_[0], mask_[1]});
    const double wineAfter = ReadFps(), wineFps = (wineBefore + wineAfter) / 2;
    std::printf("Frames per second: Wine %.0f (%.0f before Linux's reading, %.0f after), Linux %.0f\n%s", wineFps,
                wineBefore, wineAfter, linuxFps, wineFps < 0.9 * linuxFps ? "NOTE: under Wine below 0.9 times\n" : "");
    // Wine adds a fixed cost to each frame (README): only another GL path would fall below 0.7.
    EXPECT_TRUE(linuxFps > 0 && wineBefore > 0 && wineAfter > 0 && wineFps >= 0.7 * linuxFps) << "under 0.7 times";
    const Diff coarse = Compare(linuxStart, wineStart, mask_, kRounding);
    EXPECT_LE(coarse.count, kRoundingPixels) << "the start picture under Wine is Linux's but for " << coarse;
}

TEST_F(Wine, ZipProgramDriven) {
    ASSERT_NO_FATAL_FAILURE(StartWine());
    // The context menu opens at the right button's release, not at its press.
    const QImage still = (Do("mousemove 640 512 sleep 0.5"), Still(mask_));
    const auto newWindow = [windows = VisibleTopWindows().size()] { return VisibleTopWindows().size() > windows; };
    Do("mousedown 3 sleep 0.8");
    EXPECT_FALSE(newWindow()) << "a window came up at the right button's press";
    Do("mouseup 3");
    EXPECT_TRUE(WaitFor(newWindow, 10000)) << "no menu window at the right button's release";
    EXPECT_GT(Changed(still, (Do("sleep 0.8"), Still(mask_, "menu.png")), mask_), 1000) << "no menu at the release";
    // "Вращение" is the first row; clicked again, it stops.
    Do("mousemove 680 523 sleep 0.3 click 1 sleep 0.3 mousemove 640 512 sleep 0.5");
    const QImage spinning = Screenshot();
    EXPECT_GT(Changed(spinning, (Do("sleep 0.5"), Screenshot()), mask_), 500) << "\"Вращение\" does not spin it";
    Do("click 3 sleep 0.8 mousemove 680 523 sleep 0.3 click 1 sleep 0.3");
    const Settings settings = OpenSettings(mask_, "settings.png", true);
    // Readable Cyrillic: the title inks the box the face inks on Linux, not empty boxes' size.
    const QSize ink = TitleInk(settings, 100), linuxInk = At96().value("linux-title").toSize();
    At96().setValue("title", ink), At96().setValue("settings", settings.window.geometry.width());
    ASSERT_TRUE(!settings.shown.isNull() && linuxInk.width() >= 60 && linuxInk.height() >= 4) << "no title to compare";
    EXPECT_NEAR(ink.width(), linuxInk.width(), linuxInk.width() / 12) << "the Cyrillic title is not the face's";
    EXPECT_NEAR(ink.height(), linuxInk.height(), 2) << "the Cyrillic title is not the face's";
    // A slider changes the picture: a click on the groove of the first one pages it.
    mask_.push_back(settings.window.geometry.adjusted(0, 0, 1, 1));
    EXPECT_GT(ChangedBy(MoveTo(settings.content + QPoint(28, 320)) + "click 1 mousemove 640 1000", mask_, "slider.png"),
              500) << "the slider did not change the picture";
    // Up flies the eye with the settings window in front (focus in an edit), not with notepad.
    Do(MoveTo(settings.content + QPoint(20, 98)) + "click 1 mousemove 640 1000");
    EXPECT_GT(ChangedBy("keydown Up sleep 1 keyup Up", mask_, "keys-settings.png"), 500) << "Up did not move the eye";
    RunTool("wine", {"start", "notepad"});
    const auto pad = WaitWindow([](const QString& title) { return title.contains("Notepad"); });
    ASSERT_TRUE(pad) << "Wine's notepad did not start";
    mask_.push_back(pad->geometry.adjusted(0, 0, 1, 1));
    Do(MoveTo(pad->geometry.center()) + "click 1");
    EXPECT_EQ(ChangedBy("keydown Up sleep 1.5 keyup Up", mask_, "keys-notepad.png"), 0) << "notepad's Up moved the eye";
    RequestClose(pad->id);
}

// Started from a folder without textures (the log's), only the shortcut's working folder gives it its textures.
TEST_F(Wine, ShortcutStart) {
    ASSERT_FALSE(Env("WINE_TEST_LINK").isEmpty()) << "WINE_TEST_LINK names no shortcut";
    QDir::setCurrent(Env("WINE_TEST_LOG"));
    RunTool("wine", {"start", Env("WINE_TEST_LINK")});
    ASSERT_NO_FATAL_FAILURE(Place());
    const Diff d = Compare(QImage(LogFile("wine-start.png")), Still(mask_, "shortcut-start.png"), mask_);
    EXPECT_EQ(d.count, 0) << "started from the shortcut, the picture is not the zip's (" << d << "): no textures?";
    RequestClose(main_.id);  // started by Wine's start, which has returned: its window going is its end
    EXPECT_TRUE(WaitFor([&] { return !FindVisibleWindow(main_.name); }, kShowMs)) << "it did not close";
}

// At 120 and 144 dpi the start picture is 96 dpi's outside both captions and boxes, but for rounding.
TEST_F(Wine, ScaledDisplay) {
    const int dpi = Env("WINE_TEST_DPI").toInt(), k = dpi * 100 / 96;
    ASSERT_NE(dpi, 0) << "WINE_TEST_DPI names no dpi";
    ASSERT_NO_FATAL_FAILURE(StartWine(k));
    for (const QVariant& r : At96().value("mask").toList()) mask_.push_back(r.toRect());
    const QImage start96(LogFile("wine-start.png")), start = Still(mask_, QString("start-%1dpi.png").arg(dpi));
    const Diff off = Compare(start96, start, mask_, kRounding);
    EXPECT_LE(off.count, kRoundingPixels) << "the start picture at " << dpi << " dpi is not 96 dpi's: " << off;
    if (dpi != 144) return;
    // The text grows with the windows Qt scales: a bitmap face would keep its 96-dpi size.
    const Settings settings = OpenSettings(mask_, "settings-144dpi.png", true);
    const QSize ink = TitleInk(settings, k), ink96 = At96().value("title").toSize();
    const double grown = settings.window.geometry.width() / At96().value("settings").toDouble(),
                 wider = double(ink.width()) / ink96.width(), taller = double(ink.height()) / ink96.height();
    ASSERT_TRUE(ink96.width() >= 60 && ink96.height() >= 6) << "no title inked at 96 dpi";
    EXPECT_GE(grown, 1.3) << "at 144 dpi the settings window is not larger";
    EXPECT_NEAR(wider, grown, 0.12) << "at 144 dpi the title's ink does not widen with its window";
    EXPECT_NEAR(taller, grown, 0.25) << "at 144 dpi the title's ink does not grow taller with its window";
}

}  // namespace
