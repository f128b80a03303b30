// The mesh as GL receives it, read back through feedback mode: vertex order,
// positions, heights, texture corners, the wireframe outline and the spin.
#include "shell/MainWindow.h"
#include "support/Viewer.h"

#include <cmath>
#include <functional>
#include <vector>

namespace {
struct Vtx {
    float x, y, z;
    float r, g, b, a;
    float s, t;
};
struct Prim {
    GLenum token;
    std::vector<Vtx> v;
};

constexpr double kExtent = 1000;  // half size of the box everything is drawn into
constexpr float kTol = 2e-3f;

// Runs `draw` in feedback mode under a box of +-kExtent on all axes and returns the
// primitives with their vertices mapped back from window to world coordinates.
std::vector<Prim> Feedback(const std::function<void()>& draw) {
    GLint saved[4];
    glGetIntegerv(GL_VIEWPORT, saved);
    // A viewport as large as the box makes the window mapping nearly the identity.
    glViewport(-1000, -1000, 2000, 2000);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    GLdouble range[2];
    glGetDoublev(GL_DEPTH_RANGE, range);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-kExtent, kExtent, -kExtent, kExtent, -kExtent, kExtent);
    glMatrixMode(GL_MODELVIEW);

    std::vector<GLfloat> buf(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glViewport(saved[0], saved[1], saved[2], saved[3]);

    EXPECT_GT(n, 0) << "feedback buffer overflowed";
    std::vector<Prim> prims;
    auto vertex = [&](int& i) {
        const double xn = 2.0 * (buf[i] - vp[0]) / vp[2] - 1;
        const double yn = 2.0 * (buf[i + 1] - vp[1]) / vp[3] - 1;
        const double zn = 2.0 * (buf[i + 2] - range[0]) / (range[1] - range[0]) - 1;
        // glOrtho with near -E and far E maps z to -z/E.
        Vtx v{static_cast<float>(xn * kExtent), static_cast<float>(yn * kExtent),
              static_cast<float>(-zn * kExtent), buf[i + 3], buf[i + 4], buf[i + 5],
              buf[i + 6], buf[i + 7], buf[i + 8]};
        i += 11;  // x y z, rgba, strq
        return v;
    };
    for (int i = 0; i < n;) {
        const auto token = static_cast<GLenum>(buf[i++]);
        int count = 0;
        if (token == GL_POLYGON_TOKEN)
            count = static_cast<int>(buf[i++]);
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
            count = 2;
        else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
                 token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN)
            count = 1;
        else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        } else {
            ADD_FAILURE() << "unknown feedback token " << token;
            break;
        }
        Prim p{token == GL_LINE_RESET_TOKEN ? GLenum(GL_LINE_TOKEN) : token, {}};
        for (int k = 0; k < count; ++k) p.v.push_back(vertex(i));
        prims.push_back(p);
    }
    return prims;
}

bool Same(const Vtx& a, const Vtx& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.s == b.s && a.t == b.t;
}

// The first `count` quads of the stream. GL may hand a quad back whole or split
// into the triangles (0,1,3) and (1,2,3); both are put back together here.
// `rest` receives the index of the first primitive after them.
std::vector<std::vector<Vtx>> Quads(const std::vector<Prim>& prims, int count, size_t& rest) {
    std::vector<std::vector<Vtx>> quads;
    size_t i = 0;
    while (static_cast<int>(quads.size()) < count && i < prims.size()) {
        const Prim& p = prims[i];
        if (p.token != GL_POLYGON_TOKEN) break;
        if (p.v.size() == 4) {
            quads.push_back(p.v);
            ++i;
            continue;
        }
        if (p.v.size() != 3 || i + 1 >= prims.size()) break;
        const Prim& q = prims[i + 1];
        if (q.v.size() != 3 || !Same(q.v[0], p.v[1]) || !Same(q.v[2], p.v[2])) break;
        quads.push_back({p.v[0], p.v[1], q.v[1], p.v[2]});
        i += 2;
    }
    rest = i;
    return quads;
}

size_t CountPolygons(const std::vector<Prim>& prims, size_t from) {
    size_t n = 0;
    for (size_t i = from; i < prims.size(); ++i) n += prims[i].token == GL_POLYGON_TOKEN;
    return n;
}

void ExpectAt(const Vtx& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, kTol);
    EXPECT_NEAR(v.y, y, kTol);
    EXPECT_NEAR(v.z, z, kTol);
}

class MeshTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        // Heights that differ between (i, j) and (j, i), so that a swap shows.
        Form1->CoefC = 0.5f;
    }
    float f(int i, int j) { return Form1->glSrfFunc(static_cast<float>(i), static_cast<float>(j)); }

    // The marker alone, drawn as the scene draws it, to tell its polygons apart.
    size_t MarkerPolygons() {
        const auto prims = Feedback([] {
            glPushMatrix();
            glTranslatef(0, 30, 0);
            glCallList(Form1->ListBase + 1);
            glPopMatrix();
        });
        return CountPolygons(prims, 0);
    }
};
}  // namespace

TEST_F(MeshTest, SurfaceIsFourTexturedCornersPerCellInLoopOrder) {
    ASSERT_EQ(Form1->PrimMode, GL_QUADS);
    const auto prims = Feedback([] { Form1->DrawScene(); });
    size_t rest = 0;
    const auto quads = Quads(prims, 1600, rest);
    ASSERT_EQ(quads.size(), 1600u);
    // Nothing but the marker follows the mesh.
    EXPECT_EQ(CountPolygons(prims, rest), MarkerPolygons());
    EXPECT_EQ(rest + MarkerPolygons(), prims.size());

    const int d = 20;
    const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    int k = 0;
    for (int i = -20; i <= 19; ++i) {
        for (int j = -20; j <= 19; ++j, ++k) {
            const int nodes[4][2] = {{i + 1, j + 1}, {i + 1, j}, {i, j}, {i, j + 1}};
            for (int c = 0; c < 4; ++c) {
                SCOPED_TRACE(testing::Message() << "cell " << i << "," << j << " vertex " << c + 1);
                const int I = nodes[c][0], J = nodes[c][1];
                ExpectAt(quads[k][c], static_cast<float>(I * d), f(I, J), static_cast<float>(J * d));
                EXPECT_EQ(quads[k][c].s, st[c][0]);
                EXPECT_EQ(quads[k][c].t, st[c][1]);
            }
            if (HasFailure()) return;
        }
    }
    // The landmarks of a frame.
    ExpectAt(quads.front()[0], -380, f(-19, -19), -380);
    EXPECT_EQ(quads.front()[0].s, 0.0f);
    EXPECT_EQ(quads.front()[0].t, 0.0f);
    ExpectAt(quads.front()[2], -400, f(-20, -20), -400);
    ExpectAt(quads.back()[3], 380, f(19, 20), 400);
}

TEST_F(MeshTest, WireframeOutlinesEveryCellWithFourSegments) {
    Form1->PrimMode = GL_LINES;
    glDisable(GL_LIGHTING);  // the mode switch turns lighting off with it
    Form1->WireColor = {10, 64, 127};
    const auto prims = Feedback([] { Form1->DrawScene(); });
    std::vector<Vtx> lines;
    for (const Prim& p : prims)
        if (p.token == GL_LINE_TOKEN) lines.insert(lines.end(), p.v.begin(), p.v.end());
    ASSERT_EQ(lines.size(), 12800u);  // 6,400 segments
    // The lines come first, the marker's polygons after them.
    for (size_t i = 0; i < 6400; ++i) ASSERT_EQ(prims[i].token, GLenum(GL_LINE_TOKEN));

    const int d = 18;
    size_t k = 0;
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    for (int i = -20; i <= 19; ++i) {
        for (int j = -20; j <= 19; ++j) {
            const int nodes[8][2] = {{i + 1, j + 1}, {i, j + 1}, {i, j + 1}, {i, j},
                                     {i, j},         {i + 1, j}, {i + 1, j}, {i + 1, j + 1}};
            for (int c = 0; c < 8; ++c, ++k) {
                SCOPED_TRACE(testing::Message() << "cell " << i << "," << j << " vertex " << c + 1);
                const int I = nodes[c][0], J = nodes[c][1];
                ExpectAt(lines[k], static_cast<float>(I * d), f(I, J), static_cast<float>(J * d));
                minX = std::min(minX, lines[k].x);
                maxX = std::max(maxX, lines[k].x);
                minZ = std::min(minZ, lines[k].z);
                maxZ = std::max(maxZ, lines[k].z);
            }
            if (HasFailure()) return;
        }
    }
    ExpectAt(lines.front(), -342, f(-19, -19), -342);
    ExpectAt(lines.back(), 360, f(20, 20), 360);
    EXPECT_NEAR(minX, -360, kTol);
    EXPECT_NEAR(maxX, 360, kTol);
    EXPECT_NEAR(minZ, -360, kTol);
    EXPECT_NEAR(maxZ, 360, kTol);
    // Unlit lines take the wire colour (signed bytes, 127 full intensity).
    for (const Vtx& v : {lines.front(), lines.back()}) {
        EXPECT_NEAR(v.r, 10 / 127.0, 0.005);
        EXPECT_NEAR(v.g, 64 / 127.0, 0.005);
        EXPECT_NEAR(v.b, 1.0, 0.005);
    }
}

TEST_F(MeshTest, AnyOtherModeGoesToGlBeginUnchanged) {
    Form1->PrimMode = GL_POINTS;
    glDisable(GL_LIGHTING);
    const auto prims = Feedback([] { Form1->DrawScene(); });
    size_t points = 0;
    while (points < prims.size() && prims[points].token == GL_POINT_TOKEN) ++points;
    EXPECT_EQ(points, 12800u);
    ExpectAt(prims[0].v[0], -342, f(-19, -19), -342);
}

TEST_F(MeshTest, SpinTurnsTheMeshAboutTheVerticalAxis) {
    auto surface = [] {
        const auto prims = Feedback([] { Form1->DrawScene(); });
        size_t rest = 0;
        return Quads(prims, 1600, rest);
    };
    const auto still = surface();
    Form1->SpinAngle = 9;  // 90 degrees: (x, y, z) goes to (z, y, -x)
    const auto quarter = surface();
    Form1->SpinAngle = 36;  // a full turn
    const auto full = surface();
    ASSERT_EQ(still.size(), 1600u);
    ASSERT_EQ(quarter.size(), 1600u);
    ASSERT_EQ(full.size(), 1600u);
    for (size_t k = 0; k < still.size(); ++k) {
        for (int c = 0; c < 4; ++c) {
            const Vtx& a = still[k][c];
            ExpectAt(quarter[k][c], a.z, a.y, -a.x);
            ExpectAt(full[k][c], a.x, a.y, a.z);
        }
        if (HasFailure()) return;
    }
    ExpectAt(quarter.front()[0], -380, f(-19, -19), 380);
}

TEST_F(MeshTest, LeavesTheModelviewAsItFoundIt) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    for (int mode : {GL_QUADS, GL_LINES}) {
        Form1->PrimMode = mode;
        Form1->SpinAngle = 3.3f;
        Form1->DrawScene();
        GLdouble m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << mode;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
        EXPECT_EQ(depthAfter, depthBefore);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}
