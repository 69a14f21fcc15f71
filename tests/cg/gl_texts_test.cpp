// The demo's two programs on the GL, called the way the demo calls them: the quad lands
// where projection x modelview puts it and shows 0.5 x normal + 0.5.
#include <cmath>

#include "cg/gl_fixture.h"
#include "cg/program_texts.h"

namespace vela::test {
namespace {

class DemoPrograms : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // The demo's start-up sequence.
        vertex = cgCreateProgram(cg, CG_SOURCE, vertexProgramText, CG_PROFILE_ARBVP1, nullptr, nullptr);
        fragment = cgCreateProgram(cg, CG_SOURCE, fragmentProgramText, CG_PROFILE_ARBFP1, nullptr, nullptr);
        cgGLLoadProgram(vertex);
        cgGLLoadProgram(fragment);
        cgGLEnableProfile(CG_PROFILE_ARBVP1);
        cgGLEnableProfile(CG_PROFILE_ARBFP1);
        cgGLBindProgram(vertex);
        cgGLBindProgram(fragment);
        ASSERT_EQ(cgGetError(), CG_NO_ERROR) << (cgGetLastListing(cg) ? cgGetLastListing(cg) : "");
    }

    // As drawCube does: mvp from the current matrices, then a quad (-h..h)² at z = 0 with
    // a normal and a colour that must not show.
    void drawQuad(float h, const float normal[3]) {
        CGparameter mvp = cgGetNamedParameter(vertex, "mvp");
        cgGLSetStateMatrixParameter(mvp, CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
        ASSERT_EQ(cgGetError(), CG_NO_ERROR);
        glBegin(GL_QUADS);
        glColor4f(1, 0, 1, 1);
        glNormal3fv(normal);
        glVertex3f(-h, -h, 0);
        glVertex3f(h, -h, 0);
        glVertex3f(h, h, 0);
        glVertex3f(-h, h, 0);
        glEnd();
    }

    // Where the GL's own projection x modelview puts an object-space point, in pixels.
    static std::array<double, 2> windowPosition(float x, float y) {
        GLfloat p[16], m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r) eye[r] = m[r] * x + m[4 + r] * y + m[12 + r];
        for (int r = 0; r < 4; ++r) clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
        return {(clip[0] / clip[3] + 1) * size / 2, (clip[1] / clip[3] + 1) * size / 2};
    }

    CGprogram vertex = nullptr, fragment = nullptr;
};

const Rgb3 background = {0.2f, 0.2f, 0.2f};

TEST_F(DemoPrograms, AreLoadedBoundAndEnabled) {
    EXPECT_TRUE(cgGLIsProfileSupported(CG_PROFILE_ARBVP1));
    EXPECT_TRUE(cgGLIsProfileSupported(CG_PROFILE_ARBFP1));
    EXPECT_TRUE(cgGLIsProgramLoaded(vertex));
    EXPECT_TRUE(cgGLIsProgramLoaded(fragment));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    EXPECT_TRUE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    auto getProgramiv = reinterpret_cast<PFNGLGETPROGRAMIVARBPROC>(
        reinterpret_cast<void (*)(void)>(wglGetProcAddress("glGetProgramivARB")));
    GLint bound = 0, native = 0;
    getProgramiv(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_NE(bound, 0);
    getProgramiv(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_BINDING_ARB, &bound);
    EXPECT_NE(bound, 0);
    getProgramiv(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_UNDER_NATIVE_LIMITS_ARB, &native);
    EXPECT_EQ(native, 1);
}

TEST_F(DemoPrograms, OrthographicQuadLandsWhereTheMatrixPutsIt) {
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, -0.5f, 0);
    const float normal[3] = {0, 0, 1};
    drawQuad(0.5f, normal);
    // The quad covers x 0.5..1.5, y -1..0 of the -2..2 view: pixels 40..56 and 16..32.
    const Rgb3 colour = {0.5f, 0.5f, 1.0f};
    EXPECT_TRUE(nearColour(pixel(48, 24), colour));
    EXPECT_TRUE(nearColour(pixel(41, 17), colour));
    EXPECT_TRUE(nearColour(pixel(55, 31), colour));
    EXPECT_TRUE(nearColour(pixel(38, 24), background));
    EXPECT_TRUE(nearColour(pixel(58, 24), background));
    EXPECT_TRUE(nearColour(pixel(48, 14), background));
    EXPECT_TRUE(nearColour(pixel(48, 34), background));
    EXPECT_TRUE(nearColour(pixel(32, 32), background));
}

TEST_F(DemoPrograms, PerspectiveQuadLandsWhereTheMatrixPutsIt) {
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.3f, 0.2f, -3);
    glRotatef(40, 0, 1, 0);
    const float normal[3] = {0.6f, 0, -0.8f};
    drawQuad(0.6f, normal);
    const Rgb3 colour = {0.8f, 0.5f, 0.1f};
    std::array<double, 2> a = windowPosition(-0.6f, -0.6f), b = windowPosition(0.6f, 0.6f);
    double left = std::min(a[0], b[0]), right = std::max(a[0], b[0]);
    // The rotated quad's near edge is taller than its far edge: sample along y = centre.
    double centreY = windowPosition(0, 0)[1];
    std::array<double, 2> centre = windowPosition(0, 0);
    EXPECT_TRUE(nearColour(pixel(int(centre[0]), int(centre[1])), colour));
    EXPECT_TRUE(nearColour(pixel(int(std::ceil(left)) + 1, int(centreY)), colour));
    EXPECT_TRUE(nearColour(pixel(int(std::floor(right)) - 1, int(centreY)), colour));
    EXPECT_TRUE(nearColour(pixel(int(std::floor(left)) - 2, int(centreY)), background));
    EXPECT_TRUE(nearColour(pixel(int(std::ceil(right)) + 2, int(centreY)), background));
}

TEST_F(DemoPrograms, EveryCubeFaceShowsItsNormalColour) {
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    const float normals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    for (const auto &n : normals) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawQuad(0.5f, n);
        Rgb3 expected = {0.5f * n[0] + 0.5f, 0.5f * n[1] + 0.5f, 0.5f * n[2] + 0.5f};
        EXPECT_TRUE(nearColour(pixel(size / 2, size / 2), expected)) << n[0] << " " << n[1] << " " << n[2];
    }
}

TEST_F(DemoPrograms, MatrixFollowsEachDraw) {
    // drawCube sets mvp before each cube; a changed modelview moves the next quad.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    const float normal[3] = {0, 0, 1};
    glTranslatef(-1, 0, 0);
    drawQuad(0.25f, normal);
    glLoadIdentity();
    glTranslatef(1, 0, 0);
    drawQuad(0.25f, normal);
    const Rgb3 colour = {0.5f, 0.5f, 1.0f};
    EXPECT_TRUE(nearColour(pixel(16, 32), colour));
    EXPECT_TRUE(nearColour(pixel(48, 32), colour));
    EXPECT_TRUE(nearColour(pixel(32, 32), background));
}

}  // namespace
}  // namespace vela::test
