// The GL binding: state matrices and their transforms, parameter values and program
// bindings, profiles, and programs the GL itself rejects.
#include <cmath>
#include <cstring>
#include <cstdio>
#include <sstream>

#include "cg/gl_fixture.h"
#include "cg/program_texts.h"

namespace vela::test {
namespace {

using Binding = GlTest;

template <class F> F glProc(const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(wglGetProcAddress(name)));
}

GLint boundProgram(GLenum target) {
    GLint name = 0;
    glProc<PFNGLGETPROGRAMIVARBPROC>("glGetProgramivARB")(target, GL_PROGRAM_BINDING_ARB, &name);
    return name;
}

using Mat = std::array<std::array<double, 4>, 4>;  // rows

Mat rowsOf(const float *columnMajor) {
    Mat m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = columnMajor[j * 4 + i];
    return m;
}
Mat product(const Mat &a, const Mat &b) {
    Mat m{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) m[i][j] += a[i][k] * b[k][j];
    return m;
}
Mat transposed(const Mat &a) {
    Mat m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = a[j][i];
    return m;
}
Rgb3 shown(const Mat &m, const std::array<float, 4> &v) {
    // As the test program shows it: mul(m, v) * 0.1 + 0.5.
    Rgb3 c;
    for (int i = 0; i < 3; ++i) c[i] = float((m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2] + m[i][3] * v[3]) * 0.1 + 0.5);
    return c;
}

// Column-major, as glLoadMatrixf takes them; all invertible.
const float modelview[16] = {0.8f, 0.2f, 0, 0, -0.2f, 0.9f, 0.1f, 0, 0, 0, 1.5f, 0, 0.5f, -1, 0.25f, 1};
const float projection[16] = {1.2f, 0, 0, 0, 0, 0.9f, 0, 0, 0.1f, 0, -1.2f, -1, 0, 0.3f, -2, 0.5f};
const float texture[16] = {0.5f, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0.25f, 0.5f, 0, 1};

TEST_F(Binding, StateMatricesAndTheirTransforms) {
    const std::array<float, 4> v = {1, 2, -1, 1};
    Mat mv = rowsOf(modelview), p = rowsOf(projection), t = rowsOf(texture);
    struct Case {
        CGGLenum matrix, transform;
        Mat expected;
    } cases[] = {
        {CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY, mv},
        {CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY, p},
        {CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY, t},
        {CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY, product(p, mv)},
        {CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_TRANSPOSE, transposed(mv)},
        {CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_TRANSPOSE, transposed(product(p, mv))},
    };
    for (const Case &c : cases) {
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(texture);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(modelview);
        Rgb3 got = shadeVertex(", uniform float4x4 m", "  OUT.c = mul(m, IN.t0) * 0.1 + 0.5;", v, {}, [&](CGprogram prog) {
            cgGLSetStateMatrixParameter(cgGetNamedParameter(prog, "m"), c.matrix, c.transform);
            EXPECT_EQ(cgGetError(), CG_NO_ERROR);
        });
        EXPECT_TRUE(nearColour(got, shown(c.expected, v))) << "matrix " << c.matrix << " transform " << c.transform;
    }
}

TEST_F(Binding, InverseMatricesUndoTheirMatrix) {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview);
    const std::array<float, 4> v = {0.3f, -0.2f, 0.5f, 1};
    // inverse(M) (M v) = v, and v inverse-transpose(M) = inverse(M) v, so M (v it) = v too.
    for (CGGLenum matrix : {CG_GL_MODELVIEW_MATRIX, CG_GL_PROJECTION_MATRIX, CG_GL_MODELVIEW_PROJECTION_MATRIX}) {
        for (CGGLenum transform : {CG_GL_MATRIX_INVERSE, CG_GL_MATRIX_INVERSE_TRANSPOSE}) {
            const char *body = transform == CG_GL_MATRIX_INVERSE ? "  OUT.c = mul(n, mul(m, IN.t0)) * 0.5 + 0.5;"
                                                                  : "  OUT.c = mul(m, mul(IN.t0, n)) * 0.5 + 0.5;";
            Rgb3 got = shadeVertex(", uniform float4x4 m, uniform float4x4 n", body, v, {}, [&](CGprogram p) {
                cgGLSetStateMatrixParameter(cgGetNamedParameter(p, "m"), matrix, CG_GL_MATRIX_IDENTITY);
                cgGLSetStateMatrixParameter(cgGetNamedParameter(p, "n"), matrix, transform);
                EXPECT_EQ(cgGetError(), CG_NO_ERROR);
            });
            EXPECT_TRUE(nearColour(got, {0.65f, 0.4f, 0.75f})) << "matrix " << matrix << " transform " << transform;
        }
    }

    glLoadIdentity();
    glScalef(1, 0, 1);
    CGprogram p = load(vertexProgramText, CG_PROFILE_ARBVP1);
    cgGLSetStateMatrixParameter(cgGetNamedParameter(p, "mvp"), CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_INVERSE);
    EXPECT_EQ(cgGetError(), CG_SINGULAR_MATRIX_ERROR);
}

TEST_F(Binding, ValuesSetBeforeLoadingReachTheGl) {
    CGprogram f = cgCreateProgram(cg, CG_SOURCE, "float4 main(uniform float4 tint) : COLOR { return tint; }",
                                  CG_PROFILE_ARBFP1, nullptr, nullptr);
    cgGLSetParameter4f(cgGetNamedParameter(f, "tint"), 0.25f, 0.5f, 0.75f, 1);
    cgGLLoadProgram(f);
    CGprogram v = load("float4 main(float4 p : POSITION) : POSITION { return p; }", CG_PROFILE_ARBVP1);
    use(v, f);
    EXPECT_TRUE(nearColour(drawFullQuad({}), {0.25f, 0.5f, 0.75f}));
}

TEST_F(Binding, SettingAnUnboundProgramKeepsTheBinding) {
    const char *text = "float4 main(uniform float4 tint) : COLOR { return tint; }";
    CGprogram a = load(text, CG_PROFILE_ARBFP1);
    CGprogram b = load(text, CG_PROFILE_ARBFP1);
    CGprogram v = load("float4 main(float4 p : POSITION) : POSITION { return p; }", CG_PROFILE_ARBVP1);
    use(v, a);
    GLint bound = boundProgram(GL_FRAGMENT_PROGRAM_ARB);
    cgGLSetParameter4f(cgGetNamedParameter(b, "tint"), 0, 1, 0, 1);
    cgGLSetParameter4f(cgGetNamedParameter(a, "tint"), 1, 0, 0, 1);
    EXPECT_EQ(boundProgram(GL_FRAGMENT_PROGRAM_ARB), bound);
    EXPECT_TRUE(nearColour(drawFullQuad({}), {1, 0, 0}));
    cgGLBindProgram(b);
    EXPECT_NE(boundProgram(GL_FRAGMENT_PROGRAM_ARB), bound);
    EXPECT_TRUE(nearColour(drawFullQuad({}), {0, 1, 0}));
}

TEST_F(Binding, ProfilesEnableAndDisable) {
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    EXPECT_TRUE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    cgGLDisableProfile(CG_PROFILE_ARBFP1);
    EXPECT_FALSE(glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_FALSE(cgGLIsProfileSupported(CG_PROFILE_UNKNOWN));
}

TEST_F(Binding, ProgramOverAGlLimitIsRefusedWithTheFigures) {
    // More values alive at once than the GL has temporaries: refused before the GL sees it.
    GLint limit = 0;
    glProc<PFNGLGETPROGRAMIVARBPROC>("glGetProgramivARB")(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEMPORARIES_ARB, &limit);
    ASSERT_GT(limit, 0);
    std::ostringstream text;
    text << "float4 main(float4 c : COLOR0) : COLOR {\n";
    for (int i = 0; i <= limit; ++i) text << "  float4 a" << i << " = c.yzwx * " << i + 2 << " + c;\n";
    for (int i = 1; i <= limit; ++i) text << "  a0 *= a" << i << ";\n";
    text << "  return a0;\n}\n";
    CGprogram p = cgCreateProgram(cg, CG_SOURCE, text.str().c_str(), CG_PROFILE_ARBFP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);
    testing::internal::CaptureStderr();
    cgGLLoadProgram(p);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cgGetError(), CG_PROGRAM_LOAD_ERROR);
    EXPECT_FALSE(cgGLIsProgramLoaded(p));
    EXPECT_EQ(std::string(cgGetLastListing(cg)), "error: the arbfp1 program needs " + std::to_string(limit + 1) +
                                                     " temporaries; this GL allows " + std::to_string(limit) + "\n");
}

TEST_F(Binding, ProgramRejectedByTheGlIsReportedAtItsPosition) {
    // The GL is the final judge: generic attribute 0 is the vertex position, and a program
    // may not bind both.
    CGprogram p = cgCreateProgram(cg, CG_SOURCE,
                                  "void main(float4 p : POSITION, float4 a : ATTR0, out float4 op : POSITION,\n"
                                  "          out float4 oc : COLOR0) { op = p; oc = a; }\n",
                                  CG_PROFILE_ARBVP1, nullptr, nullptr);
    ASSERT_NE(p, nullptr);

    cgGLSetDebugMode(CG_TRUE);  // the listing on stderr too
    testing::internal::CaptureStderr();
    cgGLLoadProgram(p);
    std::string err = testing::internal::GetCapturedStderr();
    cgGLSetDebugMode(CG_FALSE);
    EXPECT_EQ(cgGetError(), CG_PROGRAM_LOAD_ERROR);
    EXPECT_FALSE(cgGLIsProgramLoaded(p));
    const char *listing = cgGetLastListing(cg);
    ASSERT_NE(listing, nullptr);
    EXPECT_EQ(err, std::string("cg: the arbvp1 program \"main\" did not load:\n") + listing);

    // line:column of the assembly, the GL's message, the assembly line and a caret.
    std::istringstream parts(listing);
    std::string head, shownLine, caret;
    std::getline(parts, head);
    std::getline(parts, shownLine);
    std::getline(parts, caret);
    int lineNumber = 0, column = 0, used = 0;
    ASSERT_EQ(std::sscanf(head.c_str(), "%d:%d: error: %n", &lineNumber, &column, &used), 2) << head;
    EXPECT_EQ(head.substr(size_t(used)).rfind("the GL rejected the arbvp1 assembly: ", 0), 0u) << head;
    std::string assembly = cgGetProgramString(p, CG_COMPILED_PROGRAM);
    std::istringstream lines(assembly);
    std::string line;
    for (int i = 0; i < lineNumber; ++i) std::getline(lines, line);
    EXPECT_EQ(shownLine, line);
    EXPECT_NE(line.find("vertex."), std::string::npos) << "the second binding is what the GL refuses";
    EXPECT_EQ(caret, std::string(size_t(column - 1), ' ') + "^");
    EXPECT_LE(size_t(column), line.size());

    cgGLBindProgram(p);
    EXPECT_EQ(cgGetError(), CG_PROGRAM_NOT_LOADED_ERROR);
    // Other programs of the context still load, and clear the listing.
    load(vertexProgramText, CG_PROFILE_ARBVP1);
    EXPECT_EQ(cgGetLastListing(cg), nullptr);
}

TEST_F(Binding, TexturesBindThroughTheirParameters) {
    GLuint textures[2];
    glGenTextures(2, textures);
    const GLubyte colours[2][4] = {{255, 0, 0, 255}, {0, 0, 255, 255}};
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, colours[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    CGprogram f = load("uniform sampler2D image : TEXUNIT2;\n"
                       "float4 main(float2 t : TEXCOORD0) : COLOR { return tex2D(image, t); }\n",
                       CG_PROFILE_ARBFP1);
    CGprogram v = load(vertexProgramText, CG_PROFILE_ARBVP1);
    CGparameter image = cgGetNamedParameter(f, "image");
    EXPECT_EQ(cgGLGetTextureEnum(image), GLenum(GL_TEXTURE2));
    cgGLSetTextureParameter(image, textures[0]);
    cgGLEnableTextureParameter(image);
    use(v, f);
    cgGLSetStateMatrixParameter(cgGetNamedParameter(v, "mvp"), CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    EXPECT_TRUE(nearColour(drawFullQuad({0.5f, 0.5f, 0, 1}), {1, 0, 0}));

    // A context that manages textures binds them with the program.
    cgGLSetManageTextureParameters(cg, CG_TRUE);
    cgGLSetTextureParameter(image, textures[1]);
    cgGLBindProgram(f);
    EXPECT_TRUE(nearColour(drawFullQuad({0.5f, 0.5f, 0, 1}), {0, 0, 1}));
    cgGLDisableTextureParameter(image);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    activeTexture(GL_TEXTURE0);
    glDeleteTextures(2, textures);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(Binding, DestroyingAProgramReleasesItsGlProgram) {
    CGprogram p = load(vertexProgramText, CG_PROFILE_ARBVP1);
    cgGLBindProgram(p);
    GLint name = boundProgram(GL_VERTEX_PROGRAM_ARB);
    auto isProgram = glProc<PFNGLISPROGRAMARBPROC>("glIsProgramARB");
    ASSERT_TRUE(isProgram(GLuint(name)));
    cgDestroyProgram(p);
    EXPECT_FALSE(isProgram(GLuint(name)));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

}  // namespace
}  // namespace vela::test
