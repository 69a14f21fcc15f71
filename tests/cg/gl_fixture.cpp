#include "cg/gl_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "support/display.h"

namespace vela::test {

PFNGLACTIVETEXTUREPROC GlTest::activeTexture = nullptr;
PFNGLMULTITEXCOORD4FVPROC GlTest::multiTexCoord4fv = nullptr;

namespace {

HWND window = nullptr;
HDC dc = nullptr;
HGLRC rc = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

template <class F> F proc(const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(wglGetProcAddress(name)));
}

const char *const passThroughVertex =
    "struct io { float4 p : POSITION; float4 t0 : TEXCOORD0; float4 t1 : TEXCOORD1; float4 c : COLOR0; };\n"
    "io main(io IN) { return IN; }\n";

const char *const passThroughFragment = "float4 main(float4 c : COLOR0) : COLOR { return c; }\n";

}  // namespace

void GlTest::SetUpTestSuite() {
    if (rc) return;
    setenv("DISPLAY", displayName().c_str(), 1);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "cg_gl_test";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "cg_gl_test", "cg GL test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    int format = ChoosePixelFormat(dc, &pfd);
    ASSERT_GT(format, 0);
    ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
    rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    activeTexture = proc<PFNGLACTIVETEXTUREPROC>("glActiveTexture");
    multiTexCoord4fv = proc<PFNGLMULTITEXCOORD4FVPROC>("glMultiTexCoord4fv");
    ASSERT_TRUE(activeTexture && multiTexCoord4fv);
}

void GlTest::TearDownTestSuite() {}

void GlTest::SetUp() {
    ASSERT_NE(rc, nullptr) << "no GL context";
    cgGetError();
    cg = cgCreateContext();
    glViewport(0, 0, size, size);
    for (GLenum m : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(m);
        glLoadIdentity();
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_VERTEX_PROGRAM_ARB);
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
    glClearColor(0.2f, 0.2f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GlTest::TearDown() {
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    cgDestroyContext(cg);
}

CGprogram GlTest::load(const std::string &text, CGprofile profile) {
    CGprogram p = cgCreateProgram(cg, CG_SOURCE, text.c_str(), profile, nullptr, nullptr);
    if (!p) {
        const char *listing = cgGetLastListing(cg);
        ADD_FAILURE() << "did not compile:\n" << text << "\n" << (listing ? listing : "");
        return nullptr;
    }
    cgGLLoadProgram(p);
    CGerror error = cgGetError();
    if (error != CG_NO_ERROR) {
        const char *listing = cgGetLastListing(cg);
        ADD_FAILURE() << "did not load: " << cgGetErrorString(error) << "\n"
                      << cgGetProgramString(p, CG_COMPILED_PROGRAM) << (listing ? listing : "");
        return nullptr;
    }
    return p;
}

void GlTest::use(CGprogram vertex, CGprogram fragment) {
    cgGLEnableProfile(CG_PROFILE_ARBVP1);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    cgGLBindProgram(vertex);
    cgGLBindProgram(fragment);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

Rgb3 GlTest::pixel(int x, int y) {
    glFinish();
    glReadBuffer(GL_BACK);
    GLubyte p[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

Rgb3 GlTest::drawFullQuad(const std::array<float, 4> &t0, const std::array<float, 4> &t1,
                          const std::array<float, 4> &c) {
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto &corner : corners) {
        glColor4fv(c.data());
        glTexCoord4fv(t0.data());
        multiTexCoord4fv(GL_TEXTURE1, t1.data());
        glVertex2fv(corner);
    }
    glEnd();
    return pixel(size / 2, size / 2);
}

Rgb3 GlTest::shadeFragment(const std::string &body, const std::array<float, 4> &t0, const std::array<float, 4> &t1,
                           const std::function<void(CGprogram)> &setUniforms) {
    CGprogram v = load(passThroughVertex, CG_PROFILE_ARBVP1);
    CGprogram f = load(body, CG_PROFILE_ARBFP1);
    if (!v || !f) return {-1, -1, -1};
    if (setUniforms) setUniforms(f);
    use(v, f);
    return drawFullQuad(t0, t1, {0.5f, 0.5f, 0.5f, 1});
}

Rgb3 GlTest::shadeVertex(const std::string &uniforms, const std::string &body, const std::array<float, 4> &t0,
                         const std::array<float, 4> &t1, const std::function<void(CGprogram)> &setUniforms) {
    std::string text =
        "struct vin { float4 p : POSITION; float4 t0 : TEXCOORD0; float4 t1 : TEXCOORD1; float4 c : COLOR0; };\n"
        "struct vout { float4 p : POSITION; float4 c : COLOR0; };\n"
        "vout main(vin IN" + uniforms + ") {\n  vout OUT;\n  OUT.p = IN.p;\n" + body + "\n  return OUT;\n}\n";
    CGprogram v = load(text, CG_PROFILE_ARBVP1);
    CGprogram f = load(passThroughFragment, CG_PROFILE_ARBFP1);
    if (!v || !f) return {-1, -1, -1};
    if (setUniforms) setUniforms(v);
    use(v, f);
    return drawFullQuad(t0, t1, {0.5f, 0.5f, 0.5f, 1});
}

testing::AssertionResult nearColour(const Rgb3 &actual, const Rgb3 &expected, float tolerance) {
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(actual[i] - expected[i]) <= tolerance)) {
            char text[160];
            std::snprintf(text, sizeof text, "pixel (%.3f, %.3f, %.3f), expected (%.3f, %.3f, %.3f)", actual[0],
                          actual[1], actual[2], expected[0], expected[1], expected[2]);
            return testing::AssertionFailure() << text;
        }
    return testing::AssertionSuccess();
}

}  // namespace vela::test
