// The viewer's drawing gives, byte for byte, the frame the first-written drawing
// gives on a context with the design's stencil buffer: across every formula in
// both modes, every texture, animation, colours and non-finite heights.
#include "platform/GlView.h"
#include "shell/MainWindow.h"
#include "support/DesignDrawing.h"
#include "support/Viewer.h"

#include <QDir>
#include <QOpenGLContext>
#include <functional>
#include <string>
#include <vector>

namespace {
struct Scene {
    std::string name;
    std::function<void(TForm1&)> set;
};

void SetMode(TForm1& f, bool surface) {
    f.PrimMode = surface ? GL_QUADS : GL_LINES;
    if (surface)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
}

void DrawSceneFast() { Form1->DrawScene(); }

size_t DifferingBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return static_cast<size_t>(-1);
    size_t n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (qsizetype i = 0; i < a.bytesPerLine(); ++i) n += p[i] != q[i];
    }
    return n;
}

int NonBlackPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) != 0;
    return n;
}

// Started in the run folder, so the generated texture set is loaded.
class FastDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(QStringLiteral(VIEWER_RUN_DIR)));
        StartViewer();
    }
    void TearDown() override {
        StopViewer();
        QDir::setCurrent(previous);
    }
    QString previous;
};
}  // namespace

TEST_F(FastDrawingTest, EverySceneMatchesTheFirstWrittenDrawingByteForByte) {
    const int textures = Form1->NextTexNumber - 1;
    ASSERT_GE(textures, 2) << "the generated texture set should be in " << VIEWER_RUN_DIR;

    std::vector<Scene> scenes;
    for (int proto = 0; proto < 7; ++proto)
        for (bool surface : {true, false})
            scenes.push_back({"formula " + std::to_string(proto) + (surface ? " surface" : " wireframe"),
                              [=](TForm1& f) {
                                  f.FuncIndex = proto;
                                  SetMode(f, surface);
                              }});
    for (int t = 0; t <= textures + 1; ++t)
        scenes.push_back({"texture " + std::to_string(t), [=](TForm1& f) { f.TexNumber = t; }});
    scenes.push_back({"spinning", [](TForm1& f) { f.SpinAngle = 3.7f; }});
    scenes.push_back({"phase", [](TForm1& f) {
                          f.FuncIndex = 2;
                          f.Phase = 1.3f;
                      }});
    scenes.push_back({"wire colour", [](TForm1& f) {
                          SetMode(f, false);
                          f.WireColor = {127, 20, 90};
                          f.SpinAngle = 1.5f;
                      }});
    scenes.push_back({"camera above, looking down", [](TForm1& f) {
                          f.EyeY = 700;
                          f.Pitch = -0.9f;
                      }});
    for (bool surface : {true, false}) {
        // A negative b puts square roots of negative numbers into the heights.
        scenes.push_back({std::string("NaN heights") + (surface ? " surface" : " wireframe"),
                          [=](TForm1& f) {
                              f.FuncIndex = 0;
                              f.CoefB = -1;
                              SetMode(f, surface);
                          }});
        // sinh and cosh overflow to infinities at the far nodes.
        scenes.push_back({std::string("infinite heights") + (surface ? " surface" : " wireframe"),
                          [=](TForm1& f) {
                              f.FuncIndex = 6;
                              f.CoefB = 50;
                              f.CoefC = 40;
                              SetMode(f, surface);
                          }});
    }
    scenes.push_back({"huge coefficient", [](TForm1& f) {
                          f.FuncIndex = 1;
                          f.CoefA = 3e38f;
                      }});

    const QSize size = Form1->View->size() * Form1->View->devicePixelRatio();
    for (const Scene& scene : scenes) {
        // Each scene from the start state, with GL_LIGHTING set on both contexts.
        StopViewer();
        StartViewer();
        ASSERT_TRUE(WaitUntil([&] { return Form1->View->size() * Form1->View->devicePixelRatio() == size; }));
        // A presented frame brings the view's back buffer to the window's size.
        bool done = false;
        Form1->IdleRender(Form1, done);
        scene.set(*Form1);
        const bool lit = glIsEnabled(GL_LIGHTING);
        const QImage fast = FrameFromBackBuffer(DrawSceneFast, size);
        EXPECT_TRUE(glIsEnabled(GL_BLEND)) << scene.name << ": blending is on again at rest";

        DesignContext reference(true);
        ASSERT_TRUE(reference.IsValid() && reference.MakeCurrent());
        if (!lit) glDisable(GL_LIGHTING);
        const QImage expected = FrameFromBackBuffer(DrawSceneAsDesigned, size);
        Form1->hRC->makeCurrent(Form1->View);

        EXPECT_EQ(DifferingBytes(fast, expected), 0u) << scene.name;
        // A black picture would make the comparison say nothing.
        EXPECT_GT(NonBlackPixels(fast), 100) << scene.name;
    }
}
