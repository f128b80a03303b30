// The light, light model and material as GL holds them, the colours they give,
// and the mode switch that turns lighting off and on.
#include "settings/RadioGroup.h"
#include "settings/SettingsWindow.h"
#include "shell/MainWindow.h"
#include "support/Picture.h"
#include "support/Viewer.h"

#include <QRadioButton>
#include <array>
#include <vector>

namespace {
using V4 = std::array<float, 4>;

V4 Light(GLenum pname) {
    V4 v{-9, -9, -9, -9};
    glGetLightfv(GL_LIGHT0, pname, v.data());
    return v;
}
V4 Material(GLenum face, GLenum pname) {
    V4 v{-9, -9, -9, -9};
    glGetMaterialfv(face, pname, v.data());
    return v;
}
V4 Model(GLenum pname) {
    V4 v{-9, -9, -9, -9};
    glGetFloatv(pname, v.data());
    return v;
}
void ExpectNear(const V4& actual, const V4& expected, int n, const char* what) {
    for (int i = 0; i < n; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << what << "[" << i << "]";
}

// Lit colours as GL computes them for single points, through feedback, with a
// projection that keeps the points on screen. Lighting sees only the modelview.
std::vector<V4> LitColours(const std::vector<std::pair<V4, V4>>& pointsAndNormals) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-2000, 2000, -2000, 2000, -2000, 2000);
    glMatrixMode(GL_MODELVIEW);
    std::vector<GLfloat> buffer(pointsAndNormals.size() * 16 + 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    for (const auto& [p, n] : pointsAndNormals) {
        glBegin(GL_POINTS);
        glNormal3f(n[0], n[1], n[2]);
        glVertex3f(p[0], p[1], p[2]);
        glEnd();
    }
    const GLint used = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    std::vector<V4> colours;
    for (GLint i = 0; i + 7 < used; i += 8) {
        EXPECT_EQ(buffer[i], GL_POINT_TOKEN);
        colours.push_back({buffer[i + 4], buffer[i + 5], buffer[i + 6], buffer[i + 7]});
    }
    EXPECT_EQ(colours.size(), pointsAndNormals.size());
    return colours;
}

// Everything of the lighting set-up that a mode change must leave alone.
std::vector<float> LightingState() {
    std::vector<float> s;
    auto add = [&s](const V4& v) { s.insert(s.end(), v.begin(), v.end()); };
    for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION, GL_SPOT_DIRECTION, GL_SPOT_EXPONENT,
                     GL_SPOT_CUTOFF, GL_CONSTANT_ATTENUATION, GL_LINEAR_ATTENUATION, GL_QUADRATIC_ATTENUATION})
        add(Light(p));
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_EMISSION, GL_SHININESS}) add(Material(face, p));
    for (GLenum p : {GL_LIGHT_MODEL_AMBIENT, GL_LIGHT_MODEL_LOCAL_VIEWER, GL_LIGHT_MODEL_TWO_SIDE}) add(Model(p));
    for (GLenum cap : {GL_LIGHT0, GL_COLOR_MATERIAL, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE})
        s.push_back(glIsEnabled(cap));
    GLint v = 0;
    for (GLenum p : {GL_COLOR_MATERIAL_PARAMETER, GL_COLOR_MATERIAL_FACE, GL_SHADE_MODEL}) {
        glGetIntegerv(p, &v);
        s.push_back(static_cast<float>(v));
    }
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
    s.push_back(static_cast<float>(v));
    return s;
}

// The settings window's mode choice, clicked.
void SelectMode(bool surface) {
    Form2->RadioGroup1->Buttons[surface ? 0 : 1]->click();
    EXPECT_EQ(Form1->PrimMode, surface ? GL_QUADS : GL_LINES);
}
}  // namespace

using LightTest = ViewerTest;

TEST_F(LightTest, SpotLightAndLightModelAreSet) {
    ExpectNear(Light(GL_AMBIENT), {0.3f, 0.3f, 0.3f, 1}, 4, "ambient");
    ExpectNear(Light(GL_DIFFUSE), {1, 1, 1, 1}, 4, "diffuse");
    ExpectNear(Light(GL_SPECULAR), {1, 1, 1, 1}, 4, "specular");
    // Given under an identity modelview: the world position, positional.
    ExpectNear(Light(GL_POSITION), {400, 500, 400, 1}, 4, "position");
    ExpectNear(Light(GL_SPOT_DIRECTION), {0, -1, -0.01f, 0}, 3, "spot direction");
    EXPECT_EQ(Light(GL_SPOT_EXPONENT)[0], 0.0f);
    EXPECT_EQ(Light(GL_SPOT_CUTOFF)[0], 90.0f);
    EXPECT_EQ(Light(GL_CONSTANT_ATTENUATION)[0], 0.0f);
    EXPECT_FLOAT_EQ(Light(GL_LINEAR_ATTENUATION)[0], 0.001f);
    EXPECT_EQ(Light(GL_QUADRATIC_ATTENUATION)[0], 0.0f);

    ExpectNear(Model(GL_LIGHT_MODEL_AMBIENT), {0, 0, 0, 1}, 4, "model ambient");
    EXPECT_EQ(Model(GL_LIGHT_MODEL_LOCAL_VIEWER)[0], 0.0f);
    EXPECT_EQ(Model(GL_LIGHT_MODEL_TWO_SIDE)[0], 0.0f);

    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    GLint v = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &v);
    EXPECT_EQ(v, GL_SPECULAR);
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &v);
    EXPECT_EQ(v, GL_FRONT_AND_BACK);
    glGetIntegerv(GL_SHADE_MODEL, &v);
    EXPECT_EQ(v, GL_SMOOTH);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
    EXPECT_EQ(v, GL_MODULATE);
}

TEST_F(LightTest, MaterialFollowsTheCurrentColourInItsSpecularOnly) {
    ProcessEvents(50);  // frames have drawn the marker last
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        ExpectNear(Material(face, GL_AMBIENT), {0.3f, 0.3f, 0.3f, 1}, 4, "ambient");
        ExpectNear(Material(face, GL_DIFFUSE), {1, 1, 1, 1}, 4, "diffuse");
        ExpectNear(Material(face, GL_EMISSION), {0, 0, 0, 1}, 4, "emission");
        EXPECT_EQ(Material(face, GL_SHININESS)[0], 50.0f);
        // The (10.7, 0.7, 0.7) given at start-up is gone: the marker's colour
        // is what the specular reflectance holds after a frame.
        ExpectNear(Material(face, GL_SPECULAR), {1, 1, 1, 0.2f}, 4, "specular after a frame");
    }
    V4 current{};
    glGetFloatv(GL_CURRENT_COLOR, current.data());
    ExpectNear(current, {1, 1, 1, 0.2f}, 4, "current colour");

    glColor4f(0.25f, 0.5f, 0.75f, 1);
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        ExpectNear(Material(face, GL_SPECULAR), {0.25f, 0.5f, 0.75f, 1}, 4, "tracked specular");
        ExpectNear(Material(face, GL_AMBIENT), {0.3f, 0.3f, 0.3f, 1}, 4, "ambient kept");
        ExpectNear(Material(face, GL_DIFFUSE), {1, 1, 1, 1}, 4, "diffuse kept");
    }
}

TEST_F(LightTest, LitColoursFollowTheSpotAndItsFalloff) {
    ProcessEvents(20);
    glColor4f(1, 1, 1, 0.2f);  // as the marker leaves it
    const V4 up{0, 1, 0, 0}, sideways{1, 0, 0, 0};
    const std::vector<V4> c = LitColours({
        {{0, 0, 0, 1}, up},           // 755 units away: (0.09 + 500/755) * 1000/755
        {{400, 0, 400, 1}, sideways}, // straight below at 500, grazing: ambient only, doubled
        {{400, 0, 400, 1}, up},       // straight below, facing it: saturated
        {{0, 600, 0, 1}, up},         // above the light's plane
        {{0, 503, 400, 1}, up},       // above the plane where it dips towards +z
        {{0, 503, -400, 1}, up},      // below it where it rises towards -z: ambient only
    });
    ASSERT_EQ(c.size(), 6u);
    const double d0 = std::sqrt(400.0 * 400 + 500 * 500 + 400 * 400);
    const double atOrigin = (0.09 + 500 / d0) * 1000 / d0;
    EXPECT_NEAR(atOrigin, 0.9964, 1e-3);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[0][k], atOrigin, 0.01);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[1][k], 0.18, 0.01);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[2][k], 1.0, 1e-4);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(c[3][k], 0.0f);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(c[4][k], 0.0f);
    const double d5 = std::sqrt(400.0 * 400 + 3 * 3 + 800 * 800);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[5][k], 0.09 * 1000 / d5, 0.01);
    // The lit alpha is the diffuse alpha, whatever the colour's alpha.
    for (const V4& colour : c) EXPECT_EQ(colour[3], 1.0f);
}

TEST_F(LightTest, ModeChangeTogglesOnlyLighting) {
    const std::vector<float> before = LightingState();
    const QImage litBefore = RenderedPicture();

    SelectMode(false);
    ProcessEvents(50);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(LightingState(), before);
    const QImage wire = RenderedPicture();
    EXPECT_NE(wire, litBefore);

    SelectMode(true);
    ProcessEvents(50);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(LightingState(), before);
    EXPECT_EQ(RenderedPicture(), litBefore);
}
