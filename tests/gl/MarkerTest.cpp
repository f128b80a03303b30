// The axes marker's geometry as GL transforms it, captured in feedback mode from
// the real drawing of a frame.
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <QVector3D>
#include <algorithm>
#include <vector>

namespace {
constexpr double kBox = 500;

// World positions of the vertices of every filled polygon DrawScene emits. The
// surface is drawn as a wireframe so that its lines stay apart from the marker's
// polygons; the box projection maps world units straight to window coordinates.
std::vector<QVector3D> MarkerVertices() {
    Form1->PrimMode = GL_LINES;
    glDisable(GL_LIGHTING);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-kBox, kBox, -kBox, kBox, -kBox, kBox);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<GLfloat> buffer(400000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    Form1->DrawScene();
    const GLint used = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    EXPECT_GT(used, 0) << "feedback buffer overflow";

    auto world = [&](const GLfloat* v) {
        const double x = (v[0] - viewport[0]) / viewport[2] * 2 - 1;
        const double y = (v[1] - viewport[1]) / viewport[3] * 2 - 1;
        const double z = v[2] * 2 - 1;
        return QVector3D(float(x * kBox), float(y * kBox), float(-z * kBox));
    };
    std::vector<QVector3D> out;
    for (GLint i = 0; i < used;) {
        const auto token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(buffer[i++]);
            for (int k = 0; k < n; ++k, i += 3) out.push_back(world(&buffer[i]));
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 6;
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                   token == GL_COPY_PIXEL_TOKEN) {
            i += 3;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 1;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return out;
}

QVector3D Extreme(const std::vector<QVector3D>& v, const std::function<float(const QVector3D&)>& key) {
    return *std::max_element(v.begin(), v.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
}

void ExpectAt(const QVector3D& actual, const QVector3D& expected, const char* what) {
    EXPECT_LT((actual - expected).length(), 1.0f)
        << what << ": (" << actual.x() << ", " << actual.y() << ", " << actual.z() << ")";
}
}  // namespace

using MarkerTest = ViewerTest;

TEST_F(MarkerTest, TipsStandAboveTheCentreAlongTheAxes) {
    ProcessEvents(20);
    const std::vector<QVector3D> v = MarkerVertices();
    // Six open tubes of twelve slices.
    ASSERT_GE(v.size(), 6u * 12 * 3);
    ExpectAt(Extreme(v, [](auto& p) { return p.x(); }), {200, 30, 0}, "+x tip");
    ExpectAt(Extreme(v, [](auto& p) { return p.y(); }), {0, 230, 0}, "+y tip");
    ExpectAt(Extreme(v, [](auto& p) { return p.z(); }), {0, 30, 200}, "+z tip");
    // Nothing points the other way; the lowest points are the rims of the
    // horizontal heads, 6 below the base.
    EXPECT_GT(Extreme(v, [](auto& p) { return -p.x(); }).x(), -6.5f);
    EXPECT_GT(Extreme(v, [](auto& p) { return -p.z(); }).z(), -6.5f);
    EXPECT_NEAR(Extreme(v, [](auto& p) { return -p.y(); }).y(), 24.0f, 0.5f);
}

TEST_F(MarkerTest, TurnsWithTheSurfaceAboutTheVerticalAxis) {
    Form1->SpinAngle = 9;  // 90 degrees
    const std::vector<QVector3D> v = MarkerVertices();
    ASSERT_FALSE(v.empty());
    ExpectAt(Extreme(v, [](auto& p) { return -p.z(); }), {0, 30, -200}, "+x tip");
    ExpectAt(Extreme(v, [](auto& p) { return p.x(); }), {200, 30, 0}, "+z tip");
    ExpectAt(Extreme(v, [](auto& p) { return p.y(); }), {0, 230, 0}, "+y tip");
    EXPECT_GT(Extreme(v, [](auto& p) { return p.z(); }).z(), -1.0f);
    EXPECT_LT(Extreme(v, [](auto& p) { return p.z(); }).z(), 6.5f);
}
