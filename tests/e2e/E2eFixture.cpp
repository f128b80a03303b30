#include "E2eFixture.h"

namespace e2e {

QRect E2eTest::menuRect;

void E2eTest::SetUp() {
    if (StartsInSetUp()) StartViewer();
}

void E2eTest::StartViewer() {
    ASSERT_TRUE(viewer.Start());
    // Park the pointer where the menu opens, without a button held: the picture
    // does not move for that.
    Xdo({"mousemove", QString::number(menuAt.x()), QString::number(menuAt.y())});
}

void E2eTest::TearDown() {
    if (HasFailure()) std::cerr << "program output:\n" << viewer.Output().toStdString() << "\n";
    viewer.Kill();
    WaitFor([] { return VisibleTopWindows().empty(); }, 5000);
}

QRect E2eTest::OpenMenu() {
    const QString x = QString::number(menuAt.x()), y = QString::number(menuAt.y());
    if (menuRect.isNull()) {
        const QImage before = SettledScreen();
        Xdo({"mousemove", x, y, "click", "3"});
        QRect found;
        WaitFor(
            [&] {
                const Diff d = Compare(before, Screenshot(), {kFpsMargin});
                found = d.bounds;
                return d.count > 0;
            },
            5000, 100);
        if (found.isNull()) {
            ADD_FAILURE() << "no menu appeared";
            return {};
        }
        // Let it finish drawing, then take its final extent.
        const Diff d = Compare(before, SettledScreen(), {kFpsMargin});
        menuRect = d.bounds.translated(-menuAt);
        return d.bounds;
    }
    Xdo({"mousemove", x, y, "click", "3"});
    const QRect rect = menuRect.translated(menuAt);
    // The menu is a window of its own: wait until it is mapped and drawn.
    const long long pid = viewer.Pid();
    const bool mapped = WaitFor(
        [&] {
            for (const TopWindow& w : VisibleTopWindows())
                if (w.pid == pid && w.geometry.intersects(rect) && w.geometry != viewer.Main().geometry)
                    return true;
            return false;
        },
        3000);
    if (!mapped || SettledArea(rect).isNull()) {
        ADD_FAILURE() << "the menu did not open";
        return {};
    }
    return rect;
}

void E2eTest::Choose(MenuItem item) {
    const QRect menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    // Rows from top: two radio items, a separator, the settings item.
    const double row = item == MenuItem::Spin ? 0.15 : item == MenuItem::Phase ? 0.47 : 0.82;
    const QPoint at(menu.left() + menu.width() / 3, menu.top() + int(menu.height() * row));
    const QImage look = Screenshot().copy(menu);
    Xdo({"mousemove", QString::number(at.x()), QString::number(at.y())});
    // The row under the pointer lights up once the menu has taken the move.
    WaitFor([&] { return Compare(look, Screenshot().copy(menu)).count > 0; }, 3000, 20);
    Xdo({"click", "1"});
    // The menu closes; the pointer goes back where it rests between moves.
    WaitFor(
        [&] {
            for (const TopWindow& w : VisibleTopWindows())
                if (w.pid == viewer.Pid() && w.geometry.contains(at) &&
                    w.geometry != viewer.Main().geometry)
                    return false;
            return true;
        },
        3000);
    Xdo({"mousemove", QString::number(menuAt.x()), QString::number(menuAt.y())});
}

TopWindow E2eTest::OpenSettings() {
    Choose(MenuItem::Settings);
    std::optional<TopWindow> settings;
    WaitFor([&] { return (settings = FindVisibleWindow(kSettingsTitle, viewer.Pid())).has_value(); },
            5000);
    if (!settings) {
        ADD_FAILURE() << "no window titled " << kSettingsTitle.toStdString();
        return {};
    }
    if (SettledArea(settings->geometry).isNull()) ADD_FAILURE() << "the settings window is not drawn";
    Xdo({"windowfocus", "--sync", QString::number(settings->id)});
    return *settings;
}

void E2eTest::ClickSettings(const TopWindow& settings, QPoint at, int button) {
    const QPoint screen = settings.geometry.topLeft() + at;
    Xdo({"mousemove", QString::number(screen.x()), QString::number(screen.y()), "click",
         QString::number(button)});
}

QString E2eTest::MainTitle() {
    return Xdo({"getwindowname", QString::number(viewer.Main().id)});
}

bool E2eTest::MessageBoxShown() const {
    for (const TopWindow& w : VisibleTopWindows())
        if (w.name == kAppTitle && !w.popup) return true;
    return false;
}

bool E2eTest::WaitForPopup(bool shown, int ms) const {
    const long long pid = viewer.Pid();
    auto open = [&] {
        for (const TopWindow& w : VisibleTopWindows())
            if (w.pid == pid && w.popup) return true;
        return false;
    };
    return WaitFor([&] { return open() == shown; }, ms);
}

QImage E2eTest::NextFpsReading(int ms) const {
    const QImage first = Screenshot().copy(kFpsBox);
    QImage box;
    const bool changed = WaitFor(
        [&] {
            box = Screenshot().copy(kFpsBox);
            return Compare(first, box).count > 0;
        },
        ms, 300);
    return changed ? box : QImage();
}

}  // namespace e2e
