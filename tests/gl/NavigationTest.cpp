// Flying the camera with real input: mouse events delivered to the GL window, key
// events to the program's windows, and the timer ticks driven by hand.
#include "platform/GlView.h"
#include "platform/KeyState.h"
#include "platform/SystemTimer.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {
struct Camera {
    float x, y, z, yaw, pitch;
};
Camera Now() { return {Form1->EyeX, Form1->EyeY, Form1->EyeZ, Form1->Yaw, Form1->Pitch}; }
void ExpectSame(const Camera& a, const Camera& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
    EXPECT_EQ(a.yaw, b.yaw);
    EXPECT_EQ(a.pitch, b.pitch);
}
void ExpectStartCamera() {
    EXPECT_EQ(Form1->EyeX, 400.0f);
    EXPECT_EQ(Form1->EyeY, 200.0f);
    EXPECT_EQ(Form1->EyeZ, 400.0f);
    EXPECT_EQ(Form1->Yaw, -2.356f);
    EXPECT_EQ(Form1->Pitch, -0.333f);
}

// The view direction of a camera, and its horizontal right.
struct V {
    double x, y, z;
};
V Dir(const Camera& c) {
    return {std::cos(double{c.yaw}) * std::cos(double{c.pitch}), std::sin(double{c.pitch}),
            std::sin(double{c.yaw}) * std::cos(double{c.pitch})};
}
V Right(const Camera& c) {
    const V d = Dir(c);
    return {-d.z, 0, d.x};
}
V Delta(const Camera& a, const Camera& b) {
    return {double{b.x} - a.x, double{b.y} - a.y, double{b.z} - a.z};
}
double Dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void Send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent e(type, local, Form1->View->mapToGlobal(local), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(Form1->View, &e);
}
void MoveTo(int x, int y, Qt::MouseButtons held) { Send(QEvent::MouseMove, x, y, Qt::NoButton, held); }

class NavigationTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        // The ticks are ours to give.
        Form1->Timer1->stop();
        ReleaseKeys();
    }
    void TearDown() override {
        ReleaseKeys();
        ViewerTest::TearDown();
    }
    static void ReleaseKeys() {
        QTest::keyRelease(Form1->View, Qt::Key_Up);
        QTest::keyRelease(Form1->View, Qt::Key_Down);
        // Forget presses left over from earlier tests.
        ProgramKeyState(ArrowKey::Up);
        ProgramKeyState(ArrowKey::Down);
    }
    static void Tick() { Form1->Timer1Timer(Form1->Timer1); }
};
}  // namespace

TEST_F(NavigationTest, FirstMoveMeasuresFromTheTopLeftCorner) {
    ASSERT_EQ(Form1->LastMouseX, 0);
    ASSERT_EQ(Form1->LastMouseY, 0);
    MoveTo(10, 6, Qt::LeftButton);  // 5 and 3 half steps
    EXPECT_NEAR(Form1->Yaw, -2.356 + 5 * 0.005, 1e-6);
    EXPECT_NEAR(Form1->Pitch, -0.333 + 3 * 0.005, 1e-6);
    EXPECT_EQ(Form1->LastMouseX, 10);
    EXPECT_EQ(Form1->LastMouseY, 6);
}

TEST_F(NavigationTest, OnePixelMovesChangeNothingButTheLastPosition) {
    MoveTo(300, 200, Qt::NoButton);
    const Camera before = Now();
    const int steps[][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 1}, {-1, -1}};
    int x = 300, y = 200;
    for (Qt::MouseButtons held : {Qt::MouseButtons(Qt::LeftButton), Qt::MouseButtons(Qt::RightButton),
                                  Qt::LeftButton | Qt::RightButton}) {
        for (const auto& s : steps) {
            x += s[0];
            y += s[1];
            MoveTo(x, y, held);
            EXPECT_EQ(Form1->LastMouseX, x);
            EXPECT_EQ(Form1->LastMouseY, y);
        }
    }
    // A slow drag, one pixel per event, goes nowhere.
    for (int i = 0; i < 40; ++i) MoveTo(++x, y, Qt::LeftButton | Qt::RightButton);
    ExpectSame(Now(), before);
    EXPECT_EQ(Form1->LastMouseX, x);
}

TEST_F(NavigationTest, LeftDragTurnsByHalfStepsOfTheTravel) {
    MoveTo(300, 200, Qt::NoButton);
    const Camera start = Now();
    MoveTo(303, 200, Qt::LeftButton);  // 3 pixels right: one half step
    EXPECT_NEAR(Form1->Yaw, start.yaw + 0.005, 1e-6);
    EXPECT_EQ(Form1->Pitch, start.pitch);
    MoveTo(300, 200, Qt::LeftButton);  // and back
    EXPECT_NEAR(Form1->Yaw, start.yaw, 1e-6);
    MoveTo(302, 200, Qt::LeftButton);  // 2 pixels count as 3
    EXPECT_NEAR(Form1->Yaw, start.yaw + 0.005, 1e-6);
    MoveTo(302, 210, Qt::LeftButton);  // downwards raises the view
    EXPECT_NEAR(Form1->Pitch, start.pitch + 5 * 0.005, 1e-6);
    // The eye stays where it was.
    EXPECT_EQ(Form1->EyeX, start.x);
    EXPECT_EQ(Form1->EyeY, start.y);
    EXPECT_EQ(Form1->EyeZ, start.z);
    // Moves without a button only follow the pointer.
    const Camera turned = Now();
    MoveTo(900, 40, Qt::NoButton);
    ExpectSame(Now(), turned);
    EXPECT_EQ(Form1->LastMouseX, 900);
    EXPECT_EQ(Form1->LastMouseY, 40);
}

TEST_F(NavigationTest, RightDragMovesAlongTheViewAndToItsRight) {
    MoveTo(300, 200, Qt::NoButton);
    const Camera start = Now();
    MoveTo(300, 214, Qt::RightButton);  // 7 forwards
    EXPECT_NEAR(Dot(Delta(start, Now()), Dir(start)), 7, 1e-3);
    const Camera fwd = Now();
    MoveTo(308, 214, Qt::RightButton);  // 4 to the right
    const V side = Delta(fwd, Now());
    EXPECT_EQ(Form1->EyeY, fwd.y);
    EXPECT_NEAR(Dot(side, Dir(start)), 0, 1e-3);
    const double c = std::cos(double{start.pitch});
    EXPECT_NEAR(Dot(side, Right(start)), 4 * c * c, 1e-3);
    EXPECT_EQ(Form1->Yaw, start.yaw);
    EXPECT_EQ(Form1->Pitch, start.pitch);
}

TEST_F(NavigationTest, LeftAndRightTogetherTurnThenMoveAlongTheNewView) {
    MoveTo(300, 200, Qt::NoButton);
    const Camera start = Now();
    MoveTo(360, 210, Qt::LeftButton | Qt::RightButton);  // 30 across, 5 down
    const Camera after = Now();
    EXPECT_NEAR(after.yaw, start.yaw + 30 * 0.005, 1e-6);
    EXPECT_NEAR(after.pitch, start.pitch + 5 * 0.005, 1e-6);
    const V moved = Delta(start, after);
    const double c = std::cos(double{after.pitch});
    EXPECT_NEAR(Dot(moved, Dir(after)), 5, 1e-3);
    EXPECT_NEAR(Dot(moved, Right(after)), 30 * c * c, 1e-3);
    // Measured against the old view the move would be off by far more.
    EXPECT_GT(std::fabs(Dot(moved, Right(start)) - 30 * c * c), 0.1);
}

TEST_F(NavigationTest, MiddleButtonResetsWhateverElseIsHeld) {
    MoveTo(300, 200, Qt::NoButton);
    MoveTo(400, 260, Qt::LeftButton | Qt::RightButton);
    ASSERT_NE(Form1->Yaw, -2.356f);
    MoveTo(420, 290, Qt::LeftButton | Qt::RightButton | Qt::MiddleButton);
    ExpectStartCamera();
    EXPECT_EQ(Form1->LastMouseX, 420);
    EXPECT_EQ(Form1->LastMouseY, 290);
    // The reset does not depend on the distance moved.
    MoveTo(500, 300, Qt::LeftButton);
    MoveTo(500, 300, Qt::MiddleButton);
    ExpectStartCamera();
    // Animation state is left alone.
    Form1->SpinAngle = 4.5f;
    MoveTo(501, 300, Qt::MiddleButton);
    EXPECT_EQ(Form1->SpinAngle, 4.5f);
}

TEST_F(NavigationTest, RightButtonReleaseOpensTheMenuAtThePointer) {
    MoveTo(300, 200, Qt::NoButton);
    const Camera start = Now();
    // A drag that moves the eye ends with the menu opening where it stops.
    MoveTo(300, 240, Qt::RightButton);
    Send(QEvent::MouseButtonRelease, 300, 240, Qt::RightButton, Qt::NoButton);
    ASSERT_TRUE(WaitUntil([] { return Form1->PopupMenu1->isVisible(); }));
    EXPECT_NE(Form1->EyeX, start.x);
    EXPECT_EQ(Form1->PopupMenu1->pos(), Form1->View->mapToGlobal(QPoint(300, 240)));
    // Where the view itself has the keyboard, Escape still reaches the menu.
    QTest::keyClick(Form1->View, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([] { return !Form1->PopupMenu1->isVisible(); }));

    // Other buttons do not open it.
    Send(QEvent::MouseButtonRelease, 300, 240, Qt::LeftButton, Qt::NoButton);
    Send(QEvent::MouseButtonRelease, 300, 240, Qt::MiddleButton, Qt::NoButton);
    ProcessEvents(100);
    EXPECT_FALSE(Form1->PopupMenu1->isVisible());

    // The menu key opens it at the top-left corner of the client area.
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QCoreApplication::sendEvent(Form1->View, &menuKey);
    ASSERT_TRUE(WaitUntil([] { return Form1->PopupMenu1->isVisible(); }));
    EXPECT_EQ(Form1->PopupMenu1->pos(), Form1->View->mapToGlobal(QPoint(0, 0)));
    Form1->PopupMenu1->close();
    ASSERT_TRUE(WaitUntil([] { return !Form1->PopupMenu1->isVisible(); }));
}

TEST_F(NavigationTest, PointerDragThroughTheWindowSystem) {
    // Input as the platform delivers it, buttons tracked by the application.
    QTest::mouseMove(Form1->View, QPoint(300, 200));
    ASSERT_TRUE(WaitUntil([] { return Form1->LastMouseX == 300 && Form1->LastMouseY == 200; }));
    const Camera start = Now();
    QTest::mousePress(Form1->View, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(Form1->View, QPoint(320, 200));
    ASSERT_TRUE(WaitUntil([] { return Form1->LastMouseX == 320; }));
    EXPECT_NEAR(Form1->Yaw, start.yaw + 10 * 0.005, 1e-6);
    QTest::mouseRelease(Form1->View, Qt::LeftButton, {}, QPoint(320, 200));
    EXPECT_FALSE(Form1->PopupMenu1->isVisible());

    QTest::mousePress(Form1->View, Qt::RightButton, {}, QPoint(320, 200));
    QTest::mouseMove(Form1->View, QPoint(320, 230));
    ASSERT_TRUE(WaitUntil([] { return Form1->LastMouseY == 230; }));
    const Camera turned{start.x, start.y, start.z, Form1->Yaw, Form1->Pitch};
    EXPECT_NEAR(Dot(Delta(turned, Now()), Dir(turned)), 15, 1e-3);
    QTest::mouseRelease(Form1->View, Qt::RightButton, {}, QPoint(320, 230));
    ASSERT_TRUE(WaitUntil([] { return Form1->PopupMenu1->isVisible(); }));
    Form1->PopupMenu1->close();
    ASSERT_TRUE(WaitUntil([] { return !Form1->PopupMenu1->isVisible(); }));
}

TEST_F(NavigationTest, MenuKeyFromTheFocusedWindowOpensTheMenu) {
    // The key goes where the window system sends it: the focused window, which
    // need not be the GL window.
    Form1->activateWindow();
    ASSERT_TRUE(WaitUntil([] { return QGuiApplication::focusWindow() != nullptr; }));
    QWindow* focused = QGuiApplication::focusWindow();
    QTest::keyClick(focused, Qt::Key_Menu);
    ASSERT_TRUE(WaitUntil([] { return Form1->PopupMenu1->isVisible(); }));
    EXPECT_EQ(Form1->PopupMenu1->pos(), Form1->View->mapToGlobal(QPoint(0, 0)));
    Form1->PopupMenu1->close();
    ASSERT_TRUE(WaitUntil([] { return !Form1->PopupMenu1->isVisible(); }));
}

TEST_F(NavigationTest, UpKeyFliesFiveUnitsPerTickWhileHeld) {
    const Camera start = Now();
    QTest::keyPress(Form1->View, Qt::Key_Up);
    Tick();
    const Camera one = Now();
    const V d = Dir(start);
    EXPECT_NEAR(one.x - start.x, 5 * d.x, 1e-4);
    EXPECT_NEAR(one.y - start.y, 5 * d.y, 1e-4);
    EXPECT_NEAR(one.z - start.z, 5 * d.z, 1e-4);
    Tick();
    EXPECT_NEAR(Dot(Delta(start, Now()), d), 10, 1e-3);
    QTest::keyRelease(Form1->View, Qt::Key_Up);
    const Camera released = Now();
    Tick();
    ExpectSame(Now(), released);

    QTest::keyPress(Form1->View, Qt::Key_Down);
    Tick();
    EXPECT_NEAR(Dot(Delta(released, Now()), d), -5, 1e-3);
    QTest::keyRelease(Form1->View, Qt::Key_Down);
    EXPECT_EQ(Form1->Yaw, start.yaw);
    EXPECT_EQ(Form1->Pitch, start.pitch);
}

TEST_F(NavigationTest, BothKeysCancel) {
    const Camera start = Now();
    QTest::keyPress(Form1->View, Qt::Key_Up);
    QTest::keyPress(Form1->View, Qt::Key_Down);
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_NEAR(Form1->EyeX, start.x, 1e-3);
    EXPECT_NEAR(Form1->EyeY, start.y, 1e-3);
    EXPECT_NEAR(Form1->EyeZ, start.z, 1e-3);
}

TEST_F(NavigationTest, TapBetweenTwoTicksCountsOnce) {
    const Camera start = Now();
    QTest::keyClick(Form1->View, Qt::Key_Up);  // press and release before the tick
    Tick();
    EXPECT_NEAR(Dot(Delta(start, Now()), Dir(start)), 5, 1e-3);
    const Camera once = Now();
    Tick();
    Tick();
    ExpectSame(Now(), once);
}

TEST_F(NavigationTest, KeysActFromTheSettingsWindowToo) {
    Form2->show();
    ASSERT_TRUE(WaitUntil([] { return Form2->isVisible(); }));
    const Camera start = Now();
    QTest::keyPress(Form2, Qt::Key_Down);
    Tick();
    EXPECT_NEAR(Dot(Delta(start, Now()), Dir(start)), -5, 1e-3);
    QTest::keyRelease(Form2, Qt::Key_Down);
    const Camera after = Now();
    Tick();
    ExpectSame(Now(), after);
}
