// The matrices Perspective leaves behind, against the ortho box, perspective and
// look-at written out here from their published definitions.
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <array>
#include <cmath>

namespace {
// Column-major, as GL keeps them.
using M4 = std::array<double, 16>;

M4 Mul(const M4& a, const M4& b) {
    M4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r[c * 4 + row] += a[k * 4 + row] * b[c * 4 + k];
    return r;
}
M4 FromRows(const double (&m)[4][4]) {
    M4 r{};
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 4; ++c) r[c * 4 + row] = m[row][c];
    return r;
}
M4 Ortho(double l, double r, double b, double t, double n, double f) {
    const double m[4][4] = {{2 / (r - l), 0, 0, -(r + l) / (r - l)},
                            {0, 2 / (t - b), 0, -(t + b) / (t - b)},
                            {0, 0, -2 / (f - n), -(f + n) / (f - n)},
                            {0, 0, 0, 1}};
    return FromRows(m);
}
M4 PerspectiveMatrix(double fovyDeg, double aspect, double n, double f) {
    const double c = 1 / std::tan(fovyDeg * M_PI / 360);
    const double m[4][4] = {{c / aspect, 0, 0, 0},
                            {0, c, 0, 0},
                            {0, 0, (f + n) / (n - f), 2 * f * n / (n - f)},
                            {0, 0, -1, 0}};
    return FromRows(m);
}
M4 LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
          double uz) {
    double f[3] = {cx - ex, cy - ey, cz - ez};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& v : f) v /= fl;
    double s[3] = {f[1] * uz - f[2] * uy, f[2] * ux - f[0] * uz, f[0] * uy - f[1] * ux};
    // The side vector is normalised, as GLU does; the up passed in need not be
    // perpendicular to the view.
    const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (double& v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                         s[0] * f[1] - s[1] * f[0]};
    const double m[4][4] = {{s[0], s[1], s[2], 0},
                            {u[0], u[1], u[2], 0},
                            {-f[0], -f[1], -f[2], 0},
                            {0, 0, 0, 1}};
    const double t[4][4] = {{1, 0, 0, -ex}, {0, 1, 0, -ey}, {0, 0, 1, -ez}, {0, 0, 0, 1}};
    return Mul(FromRows(m), FromRows(t));
}

// The camera of the viewer state, built independently.
M4 Expected(const TForm1& v) {
    const double w = v.ViewWidth, h = v.ViewHeight, o = v.OrthoSize;
    const M4 box = w > h ? Ortho(-o * w / h, o * w / h, -o, o, -o, o)
                         : Ortho(-o, o, -o * h / w, o * h / w, -o, o);
    const double yaw = v.Yaw, pitch = v.Pitch;
    const double dx = std::cos(yaw) * std::cos(pitch), dy = std::sin(pitch),
                 dz = std::sin(yaw) * std::cos(pitch);
    const M4 look = LookAt(v.EyeX, v.EyeY, v.EyeZ, v.EyeX + dx, v.EyeY + dy, v.EyeZ + dz, 0, 1, 0);
    return Mul(Mul(box, PerspectiveMatrix(0.05, 1.0, v.ZNear, v.ZFar)), look);
}

M4 Get(GLenum which) {
    M4 m{};
    glGetDoublev(which, m.data());
    return m;
}

void ExpectMatrixNear(const M4& actual, const M4& expected) {
    double scale = 0;
    for (double v : expected) scale = std::max(scale, std::fabs(v));
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5 * scale) << "element " << i;
}

// Clip and normalized device coordinates of a world point under `m`.
struct Clip {
    double x, y, z, w;
};
Clip Apply(const M4& m, double x, double y, double z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14], m[3] * x + m[7] * y + m[11] * z + m[15]};
}
bool Inside(const Clip& c) {
    return c.w > 0 && std::fabs(c.x) <= c.w && std::fabs(c.y) <= c.w && std::fabs(c.z) <= c.w;
}

GLint MatrixMode() {
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    return mode;
}

using PerspectiveTest = ViewerTest;
}  // namespace

TEST_F(PerspectiveTest, ProjectionIsBoxTimesPerspectiveTimesLookAt) {
    TForm1& v = *Form1;
    const float sizes[][2] = {{1280, 1024}, {1000, 1000}, {768, 1024}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
        v.ViewWidth = size[0];
        v.ViewHeight = size[1];
        glMatrixMode(GL_TEXTURE);
        v.Perspective();
        EXPECT_EQ(MatrixMode(), GL_MODELVIEW);
        const M4 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        EXPECT_EQ(Get(GL_MODELVIEW_MATRIX), identity);
        ExpectMatrixNear(Get(GL_PROJECTION_MATRIX), Expected(v));
    }
    // A camera elsewhere, looking elsewhere.
    v.EyeX = -120;
    v.EyeY = 35;
    v.EyeZ = 610;
    v.Yaw = 0.4f;
    v.Pitch = 0.25f;
    v.Perspective();
    ExpectMatrixNear(Get(GL_PROJECTION_MATRIX), Expected(v));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PerspectiveTest, DirectionFieldsFollowTheAngles) {
    TForm1& v = *Form1;
    v.Perspective();
    EXPECT_NEAR(v.DirX, -0.6681, 1e-4);
    EXPECT_NEAR(v.DirY, -0.3269, 1e-4);
    EXPECT_NEAR(v.DirZ, -0.6684, 1e-4);
    v.Yaw = 0;
    v.Pitch = 0;
    v.Perspective();
    EXPECT_EQ(v.DirX, 1.0f);
    EXPECT_EQ(v.DirY, 0.0f);
    EXPECT_EQ(v.DirZ, 0.0f);
}

TEST_F(PerspectiveTest, NotReadyTouchesNothing) {
    const M4 proj = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1};
    const M4 model = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(proj.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(model.data());
    glMatrixMode(GL_PROJECTION);
    Form1->Ready = false;
    Form1->DirX = Form1->DirY = Form1->DirZ = 0;
    Form1->Perspective();
    EXPECT_EQ(MatrixMode(), GL_PROJECTION);
    EXPECT_EQ(Get(GL_PROJECTION_MATRIX), proj);
    EXPECT_EQ(Get(GL_MODELVIEW_MATRIX), model);
    EXPECT_EQ(Form1->DirX, 0.0f);
    Form1->Ready = true;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

TEST_F(PerspectiveTest, ViewPastTheVerticalStaysUpright) {
    TForm1& v = *Form1;
    v.Yaw = 0.7f;
    v.Pitch = 2.0f;  // over the top
    v.Perspective();
    const M4 over = Get(GL_PROJECTION_MATRIX);
    const double tx = v.EyeX + 100.0 * v.DirX, ty = v.EyeY + 100.0 * v.DirY,
                 tz = v.EyeZ + 100.0 * v.DirZ;
    const Clip target = Apply(over, tx, ty, tz);
    const Clip above = Apply(over, tx, ty + 10, tz);
    ASSERT_TRUE(Inside(target));
    ASSERT_TRUE(Inside(above));
    EXPECT_NEAR(target.x / target.w, 0, 1e-4);
    EXPECT_NEAR(target.y / target.w, 0, 1e-4);
    EXPECT_GT(above.y / above.w, target.y / target.w + 0.1);
    // The same view as looking back the opposite way from below the vertical.
    v.Yaw = 0.7f + 3.14159265f;
    v.Pitch = 3.14159265f - 2.0f;
    v.Perspective();
    ExpectMatrixNear(Get(GL_PROJECTION_MATRIX), over);
}

TEST_F(PerspectiveTest, NearPointsAreClippedAndFarOnesAreNot) {
    TForm1& v = *Form1;
    v.Perspective();
    const M4 m = Get(GL_PROJECTION_MATRIX);
    auto along = [&](double d) {
        return Apply(m, v.EyeX + d * v.DirX, v.EyeY + d * v.DirY, v.EyeZ + d * v.DirZ);
    };
    EXPECT_FALSE(Inside(along(1)));
    EXPECT_TRUE(Inside(along(2)));
    EXPECT_TRUE(Inside(along(100000)));
    EXPECT_FALSE(Inside(along(-50)));  // behind the eye
    // Normalized depth -1.25/d.
    const Clip c = along(500);
    EXPECT_NEAR(c.z / c.w, -1.25 / 500, 1e-5);
    // The grid centre is in view from the start-up camera.
    EXPECT_TRUE(Inside(Apply(m, 0, 0, 0)));
}
