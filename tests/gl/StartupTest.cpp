// Start-up: the viewer state, the fixed GL state, the readout box, and what
// happens when the rendering context cannot be had.
#include "platform/Application.h"
#include "platform/GlPlatform.h"
#include "platform/GlView.h"
#include "platform/SystemTimer.h"
#include "settings/RadioGroup.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Picture.h"
#include "support/ViewConfig.h"
#include "support/Viewer.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <utility>

using StartupTest = ViewerTest;

TEST_F(StartupTest, FieldsHoldTheirStartValues) {
    const TForm1& f = *Form1;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(f.EyeX, 400.0f);
    EXPECT_EQ(f.EyeY, 200.0f);
    EXPECT_EQ(f.EyeZ, 400.0f);
    EXPECT_EQ(f.Yaw, -2.356f);
    EXPECT_FLOAT_EQ(f.Yaw, -2.3559999466f);
    EXPECT_EQ(f.Pitch, -0.333f);
    EXPECT_EQ(f.OrthoSize, 800.0f);
    EXPECT_EQ(f.ZNear, -1000.0f);
    EXPECT_EQ(f.ZFar, 1000.0f);
    EXPECT_EQ(f.GridStep, 20);
    EXPECT_EQ(f.TexNumber, 1);
    EXPECT_EQ(f.WireColor.R, 0);
    EXPECT_EQ(f.WireColor.G, 64);
    EXPECT_EQ(f.WireColor.B, 0);
    EXPECT_EQ(f.PrimMode, 7);
    EXPECT_EQ(f.CoefA, 20.0f);
    EXPECT_EQ(f.CoefB, 1.0f);
    EXPECT_EQ(f.CoefC, 1.0f);
    EXPECT_EQ(f.CoefT, 0.0f);
    EXPECT_EQ(f.FuncIndex, 0);
    EXPECT_EQ(f.SpinAngle, 0.0f);
    EXPECT_EQ(f.Phase, 0.0f);
    EXPECT_EQ(f.ViewWidth, static_cast<float>(screen.width()));
    EXPECT_EQ(f.ViewHeight, static_cast<float>(screen.height()));
    EXPECT_EQ(f.LastMouseX, 0);
    EXPECT_EQ(f.LastMouseY, 0);
    EXPECT_TRUE(f.Ready);
    EXPECT_NE(f.hRC, nullptr);
    EXPECT_EQ(f.hDC, f.View);
    EXPECT_NE(f.ListBase, 0u);
    EXPECT_NE(f.TexBitmap, nullptr);
    EXPECT_EQ(f.TexNames.size(), f.NextTexNumber - 1);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("График функции вида a*cos(sqrt(bx^2 + cz^2)+t)"));
    EXPECT_EQ(Application->MainForm, Form1);
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(StartupTest, FixedPipelineStateIsSetOnce) {
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LESS);
    GLfloat range[2] = {-1, -1};
    glGetFloatv(GL_DEPTH_RANGE, range);
    EXPECT_EQ(range[0], 0.0f);
    EXPECT_EQ(range[1], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    for (float c : clear) EXPECT_EQ(c, 0.0f);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], screen.width());
    EXPECT_EQ(viewport[3], screen.height());
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GT(depthBits, 0);
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_TRUE(doubleBuffered);
}

TEST_F(StartupTest, ViewKeepsTheScreenSizeWhenTheWindowChanges) {
    Form1->showNormal();
    Form1->resize(500, 300);
    ProcessEvents(100);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(viewport[2], screen.width());
    EXPECT_EQ(viewport[3], screen.height());
    EXPECT_EQ(Form1->ViewWidth, static_cast<float>(screen.width()));
}

TEST_F(StartupTest, ReadoutShowsFramesOfTheLastPeriod) {
    EXPECT_EQ(Form1->Edit1->text(), QStringLiteral("Edit1"));
    EXPECT_FALSE(Form1->Edit1->isEnabled());
    EXPECT_TRUE(Form1->Edit1->isReadOnly());
    EXPECT_EQ(Form1->Edit1->geometry(), QRect(2, 1, 31, 21));
    EXPECT_EQ(Form1->Timer2->interval(), 1000);
    EXPECT_EQ(Form1->Timer1->interval(), 1);

    Form1->FrameCount = 0;
    bool done = true;
    for (int i = 0; i < 7; ++i) Form1->IdleRender(Form1, done);
    EXPECT_FALSE(done);
    EXPECT_EQ(Form1->FrameCount, 7);
    Form1->FormPaint(Form1);
    EXPECT_EQ(Form1->FrameCount, 7);
    Form1->Timer2Timer(Form1->Timer2);
    EXPECT_EQ(Form1->Edit1->text(), QStringLiteral("7"));
    EXPECT_EQ(Form1->FrameCount, 0);
}

TEST_F(StartupTest, FramesRunBackToBackAndTheTimerReportsThem) {
    ASSERT_TRUE(WaitUntil([] { return Form1->Edit1->text() != QStringLiteral("Edit1"); }, 3000));
    bool ok = false;
    const int fps = Form1->Edit1->text().toInt(&ok);
    EXPECT_TRUE(ok);
    EXPECT_GT(fps, 0);

    // A presented frame shows the scene: the window holds what a frame draws, but
    // where the readout box stands over it.
    const QImage drawn = RenderedPicture();
    const QImage shown = Form1->View->screen()->grabWindow(Form1->View->winId()).toImage();
    ASSERT_EQ(shown.size(), drawn.size());
    const QRect readout = Form1->Edit1->frameGeometry().translated(-Form1->View->mapToGlobal(QPoint(0, 0)));
    int differing = 0, lit = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb colour = drawn.pixel(x, y) & 0xFFFFFFu;
            differing += !readout.contains(x, y) && (shown.pixel(x, y) & 0xFFFFFFu) != colour;
            lit += colour != 0;
        }
    EXPECT_EQ(differing, 0) << "pixels of the window that are not the frame drawn";
    EXPECT_GT(lit, 1000) << "a black picture would make the comparison say nothing";
}

// Something else may hold the thread's GL binding between two frames (on Wayland
// the view even gets a new surface when the window is shown): whatever draws or
// changes GL state binds the context to the view first.
TEST_F(StartupTest, DrawingTakesTheContextBackOnTheView) {
    QOffscreenSurface elsewhere;
    elsewhere.create();
    QOpenGLContext other;
    ASSERT_TRUE(other.create());
    const auto takeAway = [&] { ASSERT_TRUE(other.makeCurrent(&elsewhere)); };

    takeAway();
    bool done = true;
    Form1->IdleRender(Form1, done);
    EXPECT_EQ(QOpenGLContext::currentContext(), Form1->hRC);
    EXPECT_EQ(Form1->hRC->surface(), Form1->View);

    takeAway();
    Form1->FormPaint(Form1);
    EXPECT_EQ(QOpenGLContext::currentContext(), Form1->hRC);

    // The mode chosen in the settings window lights the view's picture, and
    // leaves the other context alone.
    Form2->RadioGroup1->Buttons[1]->click();
    takeAway();
    Form2->RadioGroup1->Buttons[0]->click();
    EXPECT_EQ(QOpenGLContext::currentContext(), Form1->hRC);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    takeAway();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    other.doneCurrent();
}

// A driver may refuse a context on a window whose visual is not the context's
// configuration's, so the view's window and its context come from one
// configuration: 24 depth bits and no stencil, which the pictures are made with.
TEST_F(StartupTest, ViewWindowAndContextShareOneConfiguration) {
    const ViewConfig c = ReadViewConfig(Form1->View);
    ASSERT_NE(c.windowVisual, 0u);
    EXPECT_EQ(c.contextVisual, c.windowVisual);
    EXPECT_EQ(c.depthBits, 24);
    EXPECT_EQ(c.stencilBits, 0);
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_EQ(depth, 24);
}

namespace {
// A window system that cannot create a context, or cannot make one current.
struct FailingPlatform : GlPlatform {
    bool failCreate = false;
    bool failMakeCurrent = false;
    QOpenGLContext* CreateContext(GlView* dc) override {
        return failCreate ? nullptr : GlPlatform::CreateContext(dc);
    }
    bool MakeCurrent(GlView* dc, QOpenGLContext* rc) override {
        if (failMakeCurrent && dc) return false;
        return GlPlatform::MakeCurrent(dc, rc);
    }
};

void StartWith(FailingPlatform& platform) {
    SetGlPlatform(&platform);
    StartViewer();
}
}  // namespace

TEST(ContextFailureTest, NoContextShowsBothMessagesAndStartUpCompletes) {
    FailingPlatform platform;
    platform.failCreate = true;
    StartWith(platform);
    ProcessEvents(50);
    ASSERT_EQ(ShownMessages().size(), 2u);
    EXPECT_EQ(ShownMessages()[0].text, QStringLiteral(":-)/n hrc == NULL"));
    EXPECT_EQ(ShownMessages()[1].text, QStringLiteral("Could not MakeCurrent"));
    EXPECT_EQ(Form1->hRC, nullptr);
    EXPECT_TRUE(Form1->Ready);
    EXPECT_TRUE(Form1->isVisible());
    StopViewer();
    SetGlPlatform(nullptr);
}

TEST(ContextFailureTest, ContextNotMadeCurrentShowsOneMessage) {
    FailingPlatform platform;
    platform.failMakeCurrent = true;
    StartWith(platform);
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(ShownMessages()[0].text, QStringLiteral("Could not MakeCurrent"));
    EXPECT_TRUE(Form1->Ready);
    StopViewer();
    SetGlPlatform(nullptr);
}

TEST_F(StartupTest, HandlerExceptionIsReportedAndTheLoopGoesOn) {
    QTimer::singleShot(0, Form1, [] { throw std::runtime_error("Something broke"); });
    ASSERT_TRUE(WaitUntil([] { return !ShownMessages().empty(); }, 2000));
    EXPECT_EQ(ShownMessages()[0].title, QStringLiteral("Ливентор"));
    EXPECT_EQ(ShownMessages()[0].text, QStringLiteral("Something broke."));
    EXPECT_EQ(ShownMessages()[0].kind, MessageKind::Error);
    // One thrown out of a frame, by the idle handler, is shown the same way.
    Application->SetOnIdle([thrown = false](bool& done) mutable {
        if (!std::exchange(thrown, true)) throw std::runtime_error("A frame broke");
        Form1->IdleRender(Form1, done);
    });
    ASSERT_TRUE(WaitUntil([] { return ShownMessages().size() > 1; }, 30000)) << "the frame's exception vanished";
    EXPECT_EQ(ShownMessages()[1].text, QStringLiteral("A frame broke."));
    EXPECT_EQ(ShownMessages()[1].kind, MessageKind::Error);
    // Frames keep coming after the reports. The readout's period, which restarts
    // the count, is stopped: a busy machine's softpipe draws fewer than four a second.
    Form1->Timer2->stop();
    Form1->FrameCount = 0;
    ASSERT_TRUE(WaitUntil([] { return Form1->FrameCount > 3; }, 30000));
}

TEST_F(StartupTest, MessageThatEndsInAFullStopKeepsIt) {
    EXPECT_EQ(TApplication::MessageWithFullStop(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(TApplication::MessageWithFullStop(QStringLiteral("'x' is not a valid floating point value")),
              QStringLiteral("'x' is not a valid floating point value."));
}

// Ending the application ends the message loop, whatever the windows say: Qt's
// own quit() would first ask each to close and give up when one stays open.
TEST_F(StartupTest, TerminateEndsTheLoopEvenWithAWindowThatStaysOpen) {
    class StaysOpen : public QWidget {
        void closeEvent(QCloseEvent* e) override { e->ignore(); }
    } window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The watchdog goes with the window, so it cannot fire in a later test.
    QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(1); });
    QTimer::singleShot(0, qApp, [] { Application->Terminate(); });
    EXPECT_EQ(QGuiApplication::exec(), 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(StartupTest, ClosingTheSettingsWindowOnlyHidesIt) {
    Form1->N3->trigger();
    ASSERT_TRUE(WaitUntil([] { return Form2->isVisible(); }));
    Form2->close();
    ProcessEvents(50);
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_TRUE(Form1->isVisible());
}
