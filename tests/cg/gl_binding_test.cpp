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

TEST_F(Binding, PackedUniformsShareASlotAndEachKeepsItsComponents) {
    const char *args[] = {"-packuniforms", nullptr};
    CGprogram f = cgCreateProgram(cg, CG_SOURCE,
                                  "uniform float r, g; uniform float2 ba;\n"
                                  "float4 main() : COLOR { return float4(r, g, ba); }",
                                  CG_PROFILE_ARBFP1, nullptr, args);
    ASSERT_TRUE(f) << cgGetLastListing(cg);
    CGparameter r = cgGetNamedParameter(f, "r"), g = cgGetNamedParameter(f, "g"), ba = cgGetNamedParameter(f, "ba");
    EXPECT_EQ(cgGetParameterResourceIndex(r), cgGetParameterResourceIndex(ba));
    EXPECT_EQ(cgGetParameterResourceIndex(g), cgGetParameterResourceIndex(ba));
    cgSetParameter1f(r, 0.25f);  // before loading, through the core API
    cgGLLoadProgram(f);
    cgGLSetParameter2f(ba, 0.75f, 1);  // after, through cgGL: r stays
    cgGLSetParameter1f(g, 0.5f);
    CGprogram v = load("float4 main(float4 p : POSITION) : POSITION { return p; }", CG_PROFILE_ARBVP1);
    use(v, f);
    EXPECT_TRUE(nearColour(drawFullQuad({}), {0.25f, 0.5f, 0.75f}));
    float got[2] = {};
    cgGLGetParameter2f(ba, got);
    EXPECT_EQ(got[0], 0.75f);
    EXPECT_EQ(got[1], 1.0f);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(Binding, APackedProgramThatMakesItsConstantsDrawsAsThePlainOne) {
    // lerp(k, j, t.z) also becomes t.z * (j - k) + k, j - k the runtime's.
    const char *text = "uniform float k, j;\nfloat4 main(float4 t : TEXCOORD0) : COLOR {\n"
                       "  return float4(t.x * 0.1 + 0.9 * k, frac(t.y * 40), lerp(k, j, t.z), 1); }";
    const char *args[] = {"-packuniforms", nullptr};
    CGprogram plain = load(text, CG_PROFILE_ARBFP1);
    CGprogram packed = cgCreateProgram(cg, CG_SOURCE, text, CG_PROFILE_ARBFP1, nullptr, args);
    ASSERT_TRUE(plain && packed) << cgGetLastListing(cg);
    std::string assembly = cgGetProgramString(packed, CG_COMPILED_PROGRAM);
    EXPECT_EQ(assembly.find("PARAM c"), std::string::npos) << assembly;
    cgGLLoadProgram(packed);
    CGprogram v = load("void main(float4 p : POSITION, float4 t : TEXCOORD0, out float4 op : POSITION,\n"
                       "  out float4 ot : TEXCOORD0) { op = p; ot = t; }",
                       CG_PROFILE_ARBVP1);
    struct Case {
        std::array<float, 4> t;
        Rgb3 expected;
    } cases[] = {{{0.5f, 0.0125f, 0.6f, 1}, {0.275f, 0.5f, 0.55f}}, {{1, 0.03f, 0.8f, 1}, {0.325f, 0.2f, 0.65f}}};
    for (const Case &c : cases) {
        Rgb3 drawn[2];
        for (int i = 0; i < 2; ++i) {
            CGprogram f = i ? packed : plain;
            cgGLSetParameter1f(cgGetNamedParameter(f, "k"), 0.25f);
            cgGLSetParameter1f(cgGetNamedParameter(f, "j"), 0.75f);
            use(v, f);
            drawn[i] = drawFullQuad(c.t);
        }
        EXPECT_TRUE(nearColour(drawn[0], c.expected)) << c.t[0];
        EXPECT_TRUE(nearColour(drawn[1], drawn[0], 0.5f / 255)) << assembly;
    }
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(Binding, ValuesOfUniformsAloneFollowEachSet) {
    // With -packuniforms, normalize(dir) and 1 - k are the runtime's; dir has no slot of its own.
    const char *args[] = {"-packuniforms", nullptr};
    CGprogram f = cgCreateProgram(cg, CG_SOURCE,
                                  "uniform float3 dir; uniform float k;\n"
                                  "float4 main(float4 t : TEXCOORD0) : COLOR { return float4(normalize(dir) * t.x, 1 - k); }",
                                  CG_PROFILE_ARBFP1, nullptr, args);
    ASSERT_TRUE(f) << cgGetLastListing(cg);
    std::string assembly = cgGetProgramString(f, CG_COMPILED_PROGRAM);
    EXPECT_EQ(assembly.find("\nRSQ"), std::string::npos) << assembly;  // only in the comments
    CGparameter dir = cgGetNamedParameter(f, "dir"), k = cgGetNamedParameter(f, "k");
    EXPECT_TRUE(cgIsParameterReferenced(dir));
    cgSetParameter3f(dir, 0, 3, 4);  // before loading
    cgGLLoadProgram(f);
    cgGLSetParameter1f(k, 0.25f);
    CGprogram v = load("void main(float4 p : POSITION, out float4 op : POSITION, out float4 t : TEXCOORD0) {\n"
                       "  op = p; t = 1; }",
                       CG_PROFILE_ARBVP1);
    use(v, f);
    EXPECT_TRUE(nearColour(drawFullQuad({}), {0, 0.6f, 0.8f}));
    cgGLSetParameter3f(dir, 2, 0, 0);  // after, while bound
    EXPECT_TRUE(nearColour(drawFullQuad({}), {1, 0, 0}));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
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

// ---- Core setters into program.local, vertex data, combined programs, profiles ----

std::array<float, 4> local(GLenum target, GLuint program, unsigned slot) {
    std::array<float, 4> v{};
    glProc<PFNGLBINDPROGRAMARBPROC>("glBindProgramARB")(target, program);
    glProc<PFNGLGETPROGRAMLOCALPARAMETERFVARBPROC>("glGetProgramLocalParameterfvARB")(target, slot, v.data());
    return v;
}

TEST_F(Binding, CoreSettersReachTheProgramLocalParameters) {
    CGprogram f = load("uniform float2x3 m;\nuniform float4 t[2];\n"
                       "float4 main(float4 c : COLOR0) : COLOR { return float4(mul(m, c.xyz), 0, 1) + t[1] + t[0]; }\n",
                       CG_PROFILE_ARBFP1);
    ASSERT_NE(f, nullptr);
    GLuint name = cgGLGetProgramID(f);
    CGparameter m = cgGetNamedParameter(f, "m"), t = cgGetNamedParameter(f, "t");
    unsigned mSlot = unsigned(cgGetParameterResourceIndex(m));
    unsigned tSlot = unsigned(cgGetParameterResourceIndex(cgGetArrayParameter(t, 1)));
    cgSetMatrixParameterfc(m, std::vector<float>{1, 4, 2, 5, 3, 6}.data());  // columns of [[1 2 3] [4 5 6]]
    EXPECT_EQ(local(GL_FRAGMENT_PROGRAM_ARB, name, mSlot), (std::array<float, 4>{1, 2, 3, 0}));
    EXPECT_EQ(local(GL_FRAGMENT_PROGRAM_ARB, name, mSlot + 1), (std::array<float, 4>{4, 5, 6, 0}));
    cgSetParameterValueir(t, 8, std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}.data());
    EXPECT_EQ(local(GL_FRAGMENT_PROGRAM_ARB, name, tSlot), (std::array<float, 4>{5, 6, 7, 8}));
    cgSetParameter2d(cgGetArrayParameter(t, 1), -1, -2);
    EXPECT_EQ(local(GL_FRAGMENT_PROGRAM_ARB, name, tSlot), (std::array<float, 4>{-1, -2, 7, 8}));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

// COLOR0 * ATTR6 + TEXCOORD1 at every vertex: each input's data shows in the pixel.
const char *const vertexDataText =
    "void main(float4 p : POSITION, float4 c : COLOR0, float4 s : ATTR6, float4 t : TEXCOORD1,\n"
    "          out float4 op : POSITION, out float4 oc : COLOR0) { op = p; oc = c * s + t; }\n";

TEST_F(Binding, VertexArraysAndImmediateValuesThroughTheirParameters) {
    CGprogram v = load(vertexDataText, CG_PROFILE_ARBVP1);
    CGprogram f = load("float4 main(float4 c : COLOR0) : COLOR { return c; }", CG_PROFILE_ARBFP1);
    ASSERT_TRUE(v && f);
    use(v, f);
    CGparameter p = cgGetNamedParameter(v, "p"), c = cgGetNamedParameter(v, "c"), s = cgGetNamedParameter(v, "s"),
                t = cgGetNamedParameter(v, "t");
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const GLubyte colours[4][4] = {{204, 51, 102, 255}, {204, 51, 102, 255}, {204, 51, 102, 255}, {204, 51, 102, 255}};
    const float scales[4][4] = {{0.5f, 1, 0.5f, 1}, {0.5f, 1, 0.5f, 1}, {0.5f, 1, 0.5f, 1}, {0.5f, 1, 0.5f, 1}};
    const double offsets[4][3] = {{0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}};
    cgGLSetParameterPointer(p, 2, GL_FLOAT, 0, corners);
    cgGLSetParameterPointer(c, 4, GL_UNSIGNED_BYTE, 0, colours);
    cgGLSetParameterPointer(s, 4, GL_FLOAT, 4 * sizeof(float), scales);
    cgGLSetParameterPointer(t, 3, GL_DOUBLE, 0, offsets);
    for (CGparameter x : {p, c, s, t}) cgGLEnableClientState(x);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    GLint unit = -1;
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0) << "the client unit is restored";
    glDrawArrays(GL_QUADS, 0, 4);
    EXPECT_TRUE(nearColour(pixel(size / 2, size / 2), {0.5f, 0.3f, 0.3f}));
    for (CGparameter x : {p, c, s, t}) cgGLDisableClientState(x);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));

    // The same through immediate-mode values: colour and the rest first, the position last.
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    for (const auto &corner : corners) {
        cgGLSetParameter4f(c, 0.2f, 0.6f, 1, 1);
        cgGLSetParameter3d(s, 1, 0.5, 0.25);  // w: 1
        cgGLSetParameter1f(t, 0.3f);          // y, z: 0
        cgGLSetParameter2fv(p, corner);
    }
    glEnd();
    EXPECT_TRUE(nearColour(pixel(size / 2, size / 2), {0.5f, 0.3f, 0.25f}));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    // Sizes the GL call would refuse are refused before it.
    cgGLSetParameterPointer(p, 1, GL_FLOAT, 0, corners);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_ERROR);
    cgGLSetParameterPointer(t, 4, GL_FLOAT, -4, corners);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_ERROR);
}

TEST_F(Binding, CombinedProgramsBindBothStagesAndShareUniforms) {
    CGprogram v = cgCreateProgram(cg, CG_SOURCE,
                                  "void main(float4 p : POSITION, uniform float4 tint, out float4 op : POSITION,\n"
                                  "          out float4 c : COLOR0) { op = p; c = tint; }\n",
                                  CG_PROFILE_ARBVP1, nullptr, nullptr);
    CGprogram f = cgCreateProgram(cg, CG_SOURCE,
                                  "float4 main(float4 c : COLOR0, uniform float4 tint) : COLOR { return c * tint; }\n",
                                  CG_PROFILE_ARBFP1, nullptr, nullptr);
    CGprogram both = cgCombinePrograms2(v, f);
    ASSERT_NE(both, nullptr);
    cgSetParameter4f(cgGetNamedParameter(both, "tint"), 0.5f, 0.8f, 1, 1);  // before loading: kept
    cgGLLoadProgram(both);
    EXPECT_TRUE(cgGLIsProgramLoaded(both));
    cgGLEnableProgramProfiles(both);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_PROGRAM_ARB) && glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    cgGLBindProgram(both);
    EXPECT_EQ(boundProgram(GL_VERTEX_PROGRAM_ARB), GLint(cgGLGetProgramID(cgGetProgramDomainProgram(both, 0))));
    EXPECT_EQ(boundProgram(GL_FRAGMENT_PROGRAM_ARB), GLint(cgGLGetProgramID(cgGetProgramDomainProgram(both, 1))));
    EXPECT_TRUE(nearColour(drawFullQuad({}), {0.25f, 0.64f, 1}));
    cgSetParameter4f(cgGetNamedParameter(both, "tint"), 1, 0.5f, 0, 1);  // loaded: both GL programs
    EXPECT_TRUE(nearColour(drawFullQuad({}), {1, 0.25f, 0}));
    cgGLDisableProgramProfiles(both);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB) || glIsEnabled(GL_FRAGMENT_PROGRAM_ARB));
    cgGLUnloadProgram(both);
    EXPECT_FALSE(cgGLIsProgramLoaded(both));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(Binding, LatestProfilesAndOptimalOptions) {
    EXPECT_EQ(cgGLGetLatestProfile(CG_GL_VERTEX), CG_PROFILE_ARBVP1);
    EXPECT_EQ(cgGLGetLatestProfile(CG_GL_FRAGMENT), CG_PROFILE_ARBFP1);
    for (CGGLenum none : {CG_GL_GEOMETRY, CG_GL_TESSELLATION_CONTROL, CG_GL_TESSELLATION_EVALUATION})
        EXPECT_EQ(cgGLGetLatestProfile(none), CG_PROFILE_UNKNOWN);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    EXPECT_EQ(cgGLGetOptimalOptions(CG_PROFILE_ARBFP1)[0], nullptr);
    cgGLSetOptimalOptions(CG_PROFILE_ARBFP1);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    GLint temporaries = 0;
    glProc<PFNGLGETPROGRAMIVARBPROC>("glGetProgramivARB")(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB,
                                                          &temporaries);
    // A text sized by the option: the GL's figure, seen through the program's value.
    CGprogram f = load("float4 main() : COLOR { return CG_MAX_TEMPORARIES / 1024.0; }", CG_PROFILE_ARBFP1);
    ASSERT_NE(f, nullptr);
    const char *const *options = cgGetProgramOptions(f);
    EXPECT_EQ(std::string(options[1]), "-DCG_MAX_TEMPORARIES=" + std::to_string(temporaries));
    EXPECT_EQ(std::string(cgGLGetOptimalOptions(CG_PROFILE_ARBFP1)[1]), options[1]);
    EXPECT_EQ(cgCreateProgram(cg, CG_SOURCE, "float4 main(float4 p : POSITION) : POSITION { return p * CG_MAX_TEMPORARIES; }",
                              CG_PROFILE_ARBVP1, nullptr, nullptr),
              nullptr)
        << "the vertex profile has no options yet";
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    // The last context destroyed takes them away.
    cgDestroyContext(cg);
    cg = cgCreateContext();
    EXPECT_EQ(cgGLGetOptimalOptions(CG_PROFILE_ARBFP1)[0], nullptr);
}

}  // namespace
}  // namespace vela::test
