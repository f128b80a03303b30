// The context menu: its items, the radio pair that drives the two animations, the
// per-tick accumulators and the way to the settings window.
#include "platform/GlView.h"
#include "platform/SystemTimer.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {
enum class State { Still, Spinning, Phasing, Broken };
State Now() {
    const bool r = Form1->rot->isChecked(), n = Form1->N1->isChecked();
    if (!r && !n) return State::Still;
    if (r && !n) return State::Spinning;
    if (!r && n) return State::Phasing;
    return State::Broken;
}
void Tick() { Form1->Timer1Timer(Form1->Timer1); }
std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
// The system clock's 1/64 s boundaries up to a time of the steady clock.
std::int64_t Boundary(std::int64_t ns) { return ns / 15'625'000; }

class AnimationMenuTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        Form1->Timer1->stop();
    }
};
}  // namespace

TEST_F(AnimationMenuTest, MenuHoldsTheFourItemsInOrder) {
    const QList<QAction*> items = Form1->PopupMenu1->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], Form1->rot);
    EXPECT_EQ(items[1], Form1->N1);
    EXPECT_EQ(items[2], Form1->N2);
    EXPECT_EQ(items[3], Form1->N3);
    EXPECT_EQ(Form1->rot->text(), QStringLiteral("Вращение"));
    EXPECT_EQ(Form1->N1->text(), QStringLiteral("Анимация периода"));
    EXPECT_TRUE(Form1->N2->isSeparator());
    EXPECT_EQ(Form1->N3->text(), QStringLiteral("Настройка..."));
    // The two animations are radio items of one group that may be all off.
    for (QAction* radio : {Form1->rot, Form1->N1}) {
        EXPECT_TRUE(radio->isCheckable());
        EXPECT_FALSE(radio->isChecked());
        ASSERT_NE(radio->actionGroup(), nullptr);
        EXPECT_EQ(radio->actionGroup()->exclusionPolicy(),
                  QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    EXPECT_EQ(Form1->rot->actionGroup(), Form1->N1->actionGroup());
    EXPECT_FALSE(Form1->N3->isCheckable());
    EXPECT_EQ(Form1->N3->actionGroup(), nullptr);
}

TEST_F(AnimationMenuTest, ClicksMoveTheThreeStateMachine) {
    struct Step {
        QAction* item;
        State from, to;
    };
    TForm1& f = *Form1;
    const Step table[] = {
        {f.rot, State::Still, State::Spinning},   {f.rot, State::Spinning, State::Still},
        {f.N1, State::Still, State::Phasing},     {f.N1, State::Phasing, State::Still},
        {f.rot, State::Still, State::Spinning},   {f.N1, State::Spinning, State::Phasing},
        {f.rot, State::Phasing, State::Spinning}, {f.N3, State::Spinning, State::Spinning},
    };
    EXPECT_EQ(Now(), State::Still);
    for (const Step& s : table) {
        SCOPED_TRACE(s.item->text().toStdString());
        ASSERT_EQ(Now(), s.from);
        s.item->trigger();
        EXPECT_EQ(Now(), s.to);
    }
    Form2->hide();
}

TEST_F(AnimationMenuTest, ClickingAnOpenMenuItem) {
    // The way a user clicks, through the window system: a right click opens the
    // menu at the pointer, the pointer moves onto the item, the left button clicks.
    // Since Qt 6.8 a menu takes a click only once the pointer has moved away from
    // where the menu opened; a press before that closes the menu.
    const QPoint at(200, 150);
    QTest::mouseMove(Form1->View, at);
    QTest::mouseClick(Form1->View, Qt::RightButton, {}, at);
    ASSERT_TRUE(WaitUntil([] { return Form1->PopupMenu1->isVisible(); }));
    QWindow* menu = Form1->PopupMenu1->windowHandle();
    ASSERT_NE(menu, nullptr);
    const QPoint item = Form1->PopupMenu1->actionGeometry(Form1->N1).center();
    QTest::mouseMove(menu, item);
    EXPECT_TRUE(WaitUntil([] { return Form1->PopupMenu1->activeAction() == Form1->N1; }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, item);
    EXPECT_EQ(Now(), State::Phasing);
    EXPECT_TRUE(WaitUntil([] { return !Form1->PopupMenu1->isVisible(); }));
}

TEST_F(AnimationMenuTest, TicksAdvanceOnlyTheCheckedAccumulator) {
    TForm1& f = *Form1;
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_EQ(f.SpinAngle, 0.0f);
    EXPECT_EQ(f.Phase, 0.0f);

    f.rot->trigger();
    float expected = 0;
    for (int i = 0; i < 100; ++i) {
        Tick();
        expected = static_cast<float>(expected + 0.01);
    }
    EXPECT_EQ(f.SpinAngle, expected);
    EXPECT_EQ(f.SpinAngle, 0.99999934f);
    EXPECT_NE(f.SpinAngle, 1.0f);
    EXPECT_EQ(f.Phase, 0.0f);

    // Phase runs instead; the spin keeps the angle it reached.
    f.N1->trigger();
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_EQ(f.SpinAngle, expected);
    float phase = 0;
    for (int i = 0; i < 10; ++i) phase = static_cast<float>(phase + 0.01);
    EXPECT_EQ(f.Phase, phase);

    // Switching off keeps the value; switching on resumes from it.
    f.N1->trigger();
    Tick();
    EXPECT_EQ(f.Phase, phase);
    f.N1->trigger();
    Tick();
    EXPECT_EQ(f.Phase, static_cast<float>(phase + 0.01));
}

TEST_F(AnimationMenuTest, TicksComeWithTheSystemClockNotWithTheFrames) {
    // The real loop with the timer running, held up for 100 ms every 300 ms as by a
    // slow frame. Each tick is seen with the steady clock's time and the frames drawn
    // before it; each pass of the loop with its time, by a zero-interval timer of the
    // test's own, which Qt runs once per pass as it runs the timer's. The verdicts
    // count the clock's boundaries, so they hold however fast the machine runs.
    TForm1& f = *Form1;
    f.Timer2->stop();  // it would set the frame count back every second
    struct Seen {
        std::int64_t ns;
        int frames;
    };
    std::vector<Seen> ticks;
    std::vector<std::int64_t> passes, stalls;
    ticks.reserve(4096);
    passes.reserve(1 << 16);
    const std::function<void()> step = f.Timer1->onTimeout;
    f.Timer1->onTimeout = [&] {
        ticks.push_back({SteadyNs(), f.FrameCount});
        step();
    };
    QTimer pass, stall;
    QObject::connect(&pass, &QTimer::timeout, [&] { passes.push_back(SteadyNs()); });
    QObject::connect(&stall, &QTimer::timeout, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stalls.push_back(SteadyNs());
    });
    pass.start(0);
    stall.start(300);
    f.Timer1->start();
    // On the small screen frames come several to a period of the clock: there a
    // timer that ticked with each frame, or caught up on the boundaries a stall let
    // pass, would tick several times in one. Run until four passes right after a
    // stall fell within one period (three ticks of such a timer, whichever of the
    // two zero-interval timers runs first in a pass).
    const bool small = qEnvironmentVariableIsSet("VIEWER_SMALL_SCREEN");
    const bool ran = WaitUntil([&] {
        if (stalls.size() < 4 || passes.size() < 10) return false;
        if (!small) return true;
        for (const std::int64_t end : stalls) {
            const auto after = std::upper_bound(passes.begin(), passes.end(), end);
            if (passes.end() - after > 3 && Boundary(after[3]) == Boundary(after[0])) return true;
        }
        return false;
    }, 60000);
    f.Timer1->stop();
    f.Timer1->onTimeout = step;
    ASSERT_TRUE(ran) << passes.size() << " passes and " << stalls.size() << " stalls in 60 s"
                     << (small ? ", none followed by four passes within a period of the clock" : "");
    if (small) {
        const QSize screen = QGuiApplication::primaryScreen()->size();
        ASSERT_LE(screen.width() * screen.height(), 320 * 240);
    }
    ASSERT_GT(ticks.size(), 3u);

    // At most one tick per pass: each pass draws a frame.
    for (size_t i = 1; i < ticks.size(); ++i)
        if (ticks[i].frames <= ticks[i - 1].frames) {
            ADD_FAILURE() << "ticks " << i - 1 << " and " << i << " came without a frame between them";
            break;
        }
    // Never more ticks than the clock's boundaries crossed: from any tick to a later
    // one, as many boundaries as ticks, but for one (a tick's time is read just after
    // the timer read the clock, and may have crossed the next boundary already).
    std::int64_t leastAhead = 0;
    for (size_t m = 0; m < ticks.size(); ++m) {
        const std::int64_t ahead = static_cast<std::int64_t>(m) - Boundary(ticks[m].ns);
        if (m > 0 && ahead > leastAhead + 1) {
            ADD_FAILURE() << "tick " << m << " is " << ahead - leastAhead
                          << " ticks ahead of the clock's boundaries since an earlier tick";
            break;
        }
        leastAhead = m == 0 ? ahead : std::min(leastAhead, ahead);
    }
    // Ticks keep coming: a boundary crossed between two passes is answered by a
    // tick within the next two passes, stalled or not.
    for (size_t j = 0; j + 3 < passes.size(); ++j) {
        if (Boundary(passes[j + 1]) == Boundary(passes[j])) continue;
        const auto answer = std::upper_bound(ticks.begin(), ticks.end(), passes[j],
                                             [](std::int64_t t, const Seen& s) { return t < s.ns; });
        if (answer == ticks.end() || answer->ns > passes[j + 3]) {
            ADD_FAILURE() << "no tick for the boundary crossed after pass " << j << " of " << passes.size();
            break;
        }
    }
    std::printf("%zu ticks, %zu passes, %d frames\n", ticks.size(), passes.size(), f.FrameCount);
}

TEST_F(AnimationMenuTest, TicksKeepEachAccumulatorWithinItsPeriod) {
    // Reaching a full turn, or a phase of 2π, starts the next one from the rest.
    TForm1& f = *Form1;
    f.rot->trigger();
    f.SpinAngle = 35.995f;
    Tick();
    EXPECT_GE(f.SpinAngle, 0.0f);
    EXPECT_LT(f.SpinAngle, 0.01f);
    const float spin = f.SpinAngle;
    f.N1->trigger();
    f.Phase = 6.28f;
    Tick();
    EXPECT_NEAR(f.Phase, 6.29 - 6.283185307179586, 1e-6);
    EXPECT_EQ(f.SpinAngle, spin);
}

TEST_F(AnimationMenuTest, SettingsItemShowsTheSettingsWindowInFront) {
    ASSERT_FALSE(Form2->isVisible());
    Form1->N3->trigger();
    ASSERT_TRUE(WaitUntil([] { return Form2->isVisible(); }));
    EXPECT_TRUE(WaitUntil([] { return QApplication::activeWindow() == Form2; }));
    EXPECT_EQ(Now(), State::Still);

    // Again while it is open: it stays and comes back to the front.
    Form1->activateWindow();
    ASSERT_TRUE(WaitUntil([] { return QApplication::activeWindow() == Form1; }));
    Form1->N3->trigger();
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_TRUE(WaitUntil([] { return QApplication::activeWindow() == Form2; }));

    // Closing only hides it; the item shows it once more.
    Form2->close();
    ASSERT_TRUE(WaitUntil([] { return !Form2->isVisible(); }));
    Form1->N3->trigger();
    EXPECT_TRUE(WaitUntil([] { return Form2->isVisible(); }));
    EXPECT_TRUE(Form1->isVisible());
}
