// The differential test: random programs (random_program.h), each compiled by our compiler
// and by Mesa's GLSL compiler, drawn on the same pixels of the private Xvfb, compared.
// Fragment programs run over a 16 x 16 quad; vertex programs over 256 points, one a pixel,
// each with its own inputs. Every pixel of the two images must agree within `tolerance`.
//
// VELA_DIFFERENTIAL_PROGRAMS=n runs n programs of each kind (the longer run), from seed
// VELA_DIFFERENTIAL_SEED when set; the figures are printed at the end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cg/gl_fixture.h"
#include "cg/glsl.h"
#include "cg/random_program.h"

namespace vela::test {
namespace {

constexpr int side = 16;
constexpr int tolerance = 2;  // of 255, per channel

using Image = std::vector<unsigned char>;

class Differential : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_TRUE(glsl.load()) << "no GLSL entry points";
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        unsigned char texels[4 * 4 * 4];
        for (int i = 0; i < 64; ++i) texels[i] = static_cast<unsigned char>((i * 53 + 17) % 256);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glViewport(0, 0, side, side);
    }
    void TearDown() override {
        glDeleteTextures(1, &texture);
        GlTest::TearDown();
    }

    Image draw(bool fragment) {
        glClearColor(0.25f, 0.5f, 0.75f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (fragment) {
            static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            glBegin(GL_QUADS);
            for (const auto &c : corners) {
                glTexCoord4f(c[0] * 1.5f, c[1] * 0.75f + 0.25f, c[0] * c[1], 1);
                glVertex2fv(c);
            }
            glEnd();
        } else {
            glPointSize(1);
            glBegin(GL_POINTS);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    float in0[4] = {(x - 8) * 0.25f, (y - 8) * 0.25f, float(x * y) / 32, 0.75f};
                    float in1[4] = {float(x + y) / 8 - 2, float(x) / 16, float(-y) / 8, 1.25f};
                    glTexCoord4fv(in0);
                    multiTexCoord4fv(GL_TEXTURE1, in1);
                    glVertex2f((2 * x + 1) / float(side) - 1, (2 * y + 1) / float(side) - 1);
                }
            glEnd();
        }
        glFinish();
        Image image(size_t(side * side * 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, side, side, GL_RGB, GL_UNSIGNED_BYTE, image.data());
        return image;
    }

    void setUniforms(CGprogram ours, GLuint theirs) {
        for (const UniformValue &u : uniformValues()) {
            CGparameter p = cgGetNamedParameter(ours, u.name);
            if (p && u.rows > 1) cgGLSetMatrixParameterfr(p, u.values);
            else if (p) cgGLSetParameter4fv(p, u.values);
            GLint at = glsl.getUniformLocation(theirs, u.name);
            if (at < 0) continue;
            // The rows of our matrix are the columns of GLSL's: the same numbers in order.
            if (u.rows == 3 && u.cols == 3) glsl.uniformMatrix3fv(at, 1, GL_FALSE, u.values);
            else if (u.rows == 4) glsl.uniformMatrix4fv(at, 1, GL_FALSE, u.values);
            else if (u.rows == 2) glsl.uniformMatrix2x3fv(at, 1, GL_FALSE, u.values);
            else if (u.cols == 2) glsl.uniform2fv(at, 1, u.values);
            else glsl.uniform4fv(at, 1, u.values);
        }
        if (GLint at = glsl.getUniformLocation(theirs, "tex"); at >= 0) glsl.uniform1i(at, 0);
    }

    // Draws one program both ways; false (with the reason) when the images differ.
    testing::AssertionResult agree(const RandomProgram &program, bool fragment) {
        CGprofile profile = fragment ? CG_PROFILE_ARBFP1 : CG_PROFILE_ARBVP1;
        CGprogram ours = cgCreateProgram(cg, CG_SOURCE, program.cg.c_str(), profile, nullptr, nullptr);
        if (!ours) {
            cgGetError();
            return testing::AssertionFailure() << "our compiler refused it:\n" << cgGetLastListing(cg);
        }
        cgGLLoadProgram(ours);
        if (CGerror e = cgGetError(); e != CG_NO_ERROR) {
            const char *listing = cgGetLastListing(cg);
            return testing::AssertionFailure() << "the GL refused our assembly (" << cgGetErrorString(e) << "):\n"
                                               << cgGetProgramString(ours, CG_COMPILED_PROGRAM) << (listing ? listing : "");
        }
        std::string log;
        GLuint theirs = glsl.program(fragment ? "" : program.glsl, fragment ? program.glsl : "", log);
        if (!theirs) return testing::AssertionFailure() << "GLSL refused its text (a generator fault):\n" << log;
        glsl.useProgram(theirs);
        setUniforms(ours, theirs);
        Image expected = draw(fragment);
        glsl.useProgram(0);

        GLenum target = fragment ? GL_FRAGMENT_PROGRAM_ARB : GL_VERTEX_PROGRAM_ARB;
        glEnable(target);
        cgGLBindProgram(ours);
        Image got = draw(fragment);
        glDisable(target);
        glsl.deleteProgram(theirs);
        cgDestroyProgram(ours);

        for (size_t i = 0; i < got.size(); ++i) {
            if (std::abs(int(got[i]) - int(expected[i])) <= tolerance) continue;
            size_t pixel = i / 3;
            char where[160];
            std::snprintf(where, sizeof where, "pixel (%zu, %zu): ours (%d, %d, %d), GLSL (%d, %d, %d)\n", pixel % side,
                          pixel / side, got[pixel * 3], got[pixel * 3 + 1], got[pixel * 3 + 2], expected[pixel * 3],
                          expected[pixel * 3 + 1], expected[pixel * 3 + 2]);
            CGprogram again = cgCreateProgram(cg, CG_SOURCE, program.cg.c_str(), profile, nullptr, nullptr);
            std::string assembly = again ? cgGetProgramString(again, CG_COMPILED_PROGRAM) : "";
            return testing::AssertionFailure() << where << "ours:\n" << program.cg << "GLSL:\n" << program.glsl
                                               << "assembly:\n" << assembly;
        }
        return testing::AssertionSuccess();
    }

    void run(bool fragment, unsigned firstSeed) {
        const char *env = std::getenv("VELA_DIFFERENTIAL_PROGRAMS");
        int count = env ? std::max(1, std::atoi(env)) : 1500;
        if (const char *first = std::getenv("VELA_DIFFERENTIAL_SEED")) firstSeed = unsigned(std::atol(first));
        int longest = 0, failures = 0;
        for (int i = 0; i < count; ++i) {
            unsigned seed = firstSeed + unsigned(i);
            RandomProgram p = randomProgram(seed, fragment, 6 + int(seed % 23));
            longest = std::max(longest, p.lines);
            testing::AssertionResult same = agree(p, fragment);
            if (!same) {
                ADD_FAILURE() << "seed " << seed << ": " << same.message();
                if (++failures == 3) break;
            }
        }
        std::printf("%d %s programs, the longest %d lines, every pixel within %d/255\n", count,
                    fragment ? "fragment" : "vertex", longest, tolerance);
    }

    Glsl glsl;
    GLuint texture = 0;
};

TEST_F(Differential, FragmentProgramsAgreeWithGlsl) { run(true, 1); }

TEST_F(Differential, VertexProgramsAgreeWithGlsl) { run(false, 1000001); }

}  // namespace
}  // namespace vela::test
