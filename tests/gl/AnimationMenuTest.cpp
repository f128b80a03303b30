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
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>

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
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "frame times under the sanitizers are not the program's";
#endif
    // The real loop for three seconds with the timer running; the spin counts the
    // ticks, FrameCount the frames.
    TForm1& f = *Form1;
    f.Timer2->stop();
    f.rot->trigger();
    f.FrameCount = 0;
    f.Timer1->start();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double ticks = std::round(f.SpinAngle / 0.01) / seconds;
    const double frames = f.FrameCount / seconds;
    std::printf("%.1f ticks and %.1f frames a second\n", ticks, frames);
    // 64 a second while frames come faster; one a frame while they come slower.
    EXPECT_NEAR(ticks, std::min(64.0, frames), 4) << frames << " frames a second";
    if (qEnvironmentVariableIsSet("VIEWER_SMALL_SCREEN")) {
        // Frames come several times faster here, and still share the clock's ticks.
        const QSize screen = QGuiApplication::primaryScreen()->size();
        ASSERT_LE(screen.width() * screen.height(), 320 * 240);
        EXPECT_GT(frames, 2 * ticks);
    }
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
