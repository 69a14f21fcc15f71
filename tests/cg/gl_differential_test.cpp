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
        for (int i = 0; i < 64; ++i) texels[i] = static_cast<unsigned char>((i * 53 + 17) % 256);
        teximage3D = glEntryPoint<PFNGLTEXIMAGE3DPROC>("glTexImage3D");
        ASSERT_NE(teximage3D, nullptr);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glViewport(0, 0, side, side);
        // The other targets on units 1 to 4, as the generated programs bind them.
        glGenTextures(4, others);
        const GLenum targets[] = {GL_TEXTURE_1D, 0x806F /* 3D */, 0x8513 /* CUBE_MAP */, 0x84F5 /* RECTANGLE */};
        for (int i = 0; i < 4; ++i) {
            activeTexture(GLenum(GL_TEXTURE1 + i));
            glBindTexture(targets[i], others[i]);
            GLenum wrap = i == 3 ? 0x812F /* CLAMP_TO_EDGE */ : GL_REPEAT;
            glTexParameteri(targets[i], GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(targets[i], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(targets[i], GL_TEXTURE_WRAP_S, GLint(wrap));
            glTexParameteri(targets[i], GL_TEXTURE_WRAP_T, GLint(wrap));
            if (i == 0) glTexImage1D(targets[i], 0, GL_RGBA, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
            if (i == 1) teximage3D(targets[i], 0, GL_RGBA, 2, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
            if (i == 2)
                for (GLenum face = 0x8515; face < 0x8515 + 6; ++face)
                    glTexImage2D(face, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels + (face - 0x8515) * 8);
            if (i == 3) glTexImage2D(targets[i], 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        }
        activeTexture(GL_TEXTURE0);
    }
    void TearDown() override {
        glDeleteTextures(1, &texture);
        glDeleteTextures(4, others);
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
            // Scalars through the core API, the others through cgGL: both reach packed slots.
            if (p && u.rows > 1) cgGLSetMatrixParameterfr(p, u.values);
            else if (p && u.cols == 1) cgSetParameter1f(p, u.values[0]);
            else if (p && u.cols == 3) cgGLSetParameter3fv(p, u.values);
            else if (p) cgGLSetParameter4fv(p, u.values);
            GLint at = glsl.getUniformLocation(theirs, u.name);
            if (at < 0) continue;
            // The rows of our matrix are the columns of GLSL's: the same numbers in order.
            if (u.rows == 3 && u.cols == 3) glsl.uniformMatrix3fv(at, 1, GL_FALSE, u.values);
            else if (u.rows == 4) glsl.uniformMatrix4fv(at, 1, GL_FALSE, u.values);
            else if (u.rows == 2) glsl.uniformMatrix2x3fv(at, 1, GL_FALSE, u.values);
            else if (u.cols == 1) glsl.uniform1fv(at, 1, u.values);
            else if (u.cols == 2) glsl.uniform2fv(at, 1, u.values);
            else if (u.cols == 3) glsl.uniform3fv(at, 1, u.values);
            else glsl.uniform4fv(at, 1, u.values);
        }
        const char *samplers[] = {"tex", "t1", "t3", "tcube", "tr"};
        for (int unit = 0; unit < 5; ++unit)
            if (GLint at = glsl.getUniformLocation(theirs, samplers[unit]); at >= 0) glsl.uniform1i(at, unit);
    }

    // Draws one program both ways; false (with the reason) when the images differ. `drawn`
    // counts the pixels that show the program rather than the background.
    testing::AssertionResult agree(const RandomProgram &program, bool fragment, int &drawn, bool packed = false) {
        CGprofile profile = fragment ? CG_PROFILE_ARBFP1 : CG_PROFILE_ARBVP1;
        const char *packing[] = {"-packuniforms", nullptr};
        const char **args = packed ? packing : nullptr;
        CGprogram ours = cgCreateProgram(cg, CG_SOURCE, program.cg.c_str(), profile, nullptr, args);
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

        drawn = 0;
        for (size_t i = 0; i < got.size(); i += 3)
            if (got[i] != 64 || got[i + 1] != 128 || got[i + 2] != 191) ++drawn;
        for (size_t i = 0; i < got.size(); ++i) {
            if (std::abs(int(got[i]) - int(expected[i])) <= tolerance) continue;
            size_t pixel = i / 3;
            char where[160];
            std::snprintf(where, sizeof where, "pixel (%zu, %zu): ours (%d, %d, %d), GLSL (%d, %d, %d)\n", pixel % side,
                          pixel / side, got[pixel * 3], got[pixel * 3 + 1], got[pixel * 3 + 2], expected[pixel * 3],
                          expected[pixel * 3 + 1], expected[pixel * 3 + 2]);
            CGprogram again = cgCreateProgram(cg, CG_SOURCE, program.cg.c_str(), profile, nullptr, args);
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
        int longest = 0, failures = 0, i = 0;
        long pixels = 0;
        for (; i < count; ++i) {
            unsigned seed = firstSeed + unsigned(i);
            RandomProgram p = randomProgram(seed, fragment, 6 + int(seed % 23));
            longest = std::max(longest, p.lines);
            int drawn = 0;
            // Every other program with its small uniforms packed.
            testing::AssertionResult same = agree(p, fragment, drawn, seed % 2 == 1);
            pixels += drawn;
            if (!same) {
                ADD_FAILURE() << "seed " << seed << ": " << same.message();
                if (++failures == 3) break;
            }
        }
        count = std::min(count, i + 1);
        // Images of background only would agree for nothing; discards leave some.
        double shown = double(pixels) / (double(count) * side * side);
        EXPECT_GT(shown, fragment ? 0.7 : 0.99) << "too few pixels drawn";
        std::printf("%d %s programs, the longest %d lines, %.1f%% of their pixels drawn, %d differing by more than %d/255\n",
                    count, fragment ? "fragment" : "vertex", longest, 100 * shown, failures, tolerance);
    }

    Glsl glsl;
    GLuint texture = 0, others[4] = {};
    unsigned char texels[64];
    PFNGLTEXIMAGE3DPROC teximage3D = nullptr;
};

// VELA_DIFFERENTIAL_FILES=ours.cg,theirs.glsl compares two texts of one's own making
// (fragment programs when the GLSL writes gl_FragColor).
TEST_F(Differential, GivenTextsAgree) {
    const char *files = std::getenv("VELA_DIFFERENTIAL_FILES");
    if (!files) GTEST_SKIP() << "no VELA_DIFFERENTIAL_FILES";
    std::string list = files;
    auto slurp = [](const std::string &path) {
        std::string text;
        if (FILE *f = std::fopen(path.c_str(), "rb")) {
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
            std::fclose(f);
        }
        return text;
    };
    RandomProgram p;
    p.cg = slurp(list.substr(0, list.find(',')));
    p.glsl = slurp(list.substr(list.find(',') + 1));
    int drawn = 0;
    EXPECT_TRUE(agree(p, p.glsl.find("gl_FragColor") != std::string::npos, drawn));
}

TEST_F(Differential, FragmentProgramsAgreeWithGlsl) { run(true, 1); }

TEST_F(Differential, VertexProgramsAgreeWithGlsl) { run(false, 1000001); }

}  // namespace
}  // namespace vela::test
