// Pixel formats, contexts and the choice of backend, on backends without a display: the
// Win32 rules live in the core, whatever the display offers.
#include "test_backend.h"

#include "core/state.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vela;
using vela::test::RecordingBackend;

namespace {

// Three formats: 1 deep but needing a new window, 2 as the demo asks, 3 single-buffered.
struct FakeGl : RecordingBackend {
    int current = 0;  // the context made current, 0 for none
    int made = 0;
    int pixelFormatCount() override { return 3; }
    void describePixelFormat(int format, PIXELFORMATDESCRIPTOR &p) override {
        p = PIXELFORMATDESCRIPTOR{};
        p.nSize = sizeof p;
        p.nVersion = 1;
        p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (format == 3 ? 0 : PFD_DOUBLEBUFFER);
        p.cColorBits = 24;
        p.cDepthBits = format == 1 ? 24 : 16;
    }
    bool formatFitsWindow(core::Window &, int format) override { return format != 1; }
    bool setPixelFormat(core::Window &w, int format) override {
        calls.push_back("format " + w.title + " " + std::to_string(format));
        return true;
    }
    void *createContext(core::Window &, int) override { return reinterpret_cast<void *>((intptr_t)++made); }
    bool makeCurrent(core::Window *, void *context) override {
        current = (int)reinterpret_cast<intptr_t>(context);
        return true;
    }
    bool swapBuffers(core::Window &w) override {
        calls.push_back("swap " + w.title);
        return true;
    }
    PROC procAddress(const char *) override { return reinterpret_cast<PROC>(&std::abort); }
};

LRESULT CALLBACK countingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    static int calls = 0;
    if (!h) return calls;
    ++calls;
    return DefWindowProcA(h, m, w, l);
}
int procCalls() { return (int)countingProc(nullptr, 0, 0, 0); }

HWND makeWindow(const char *title) {
    EXPECT_TRUE(test::registerTestClass("gl", countingProc));
    return CreateWindowExA(0, "gl", title, WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

PIXELFORMATDESCRIPTOR request(int depthBits) {
    PIXELFORMATDESCRIPTOR p{};
    p.nSize = sizeof p;
    p.nVersion = 1;
    p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    p.cColorBits = 24;
    p.cDepthBits = (BYTE)depthBits;
    return p;
}

std::string lastErrorText() {
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                             text, sizeof text, nullptr);
    return std::string(text, n);
}

class Wgl : public ::testing::Test {
protected:
    void SetUp() override {
        auto owned = std::make_unique<FakeGl>();
        gl = owned.get();
        core::reset(std::move(owned));
        hwnd = makeWindow("w");
        ASSERT_NE(hwnd, nullptr);
        dc = GetDC(hwnd);
    }
    FakeGl *gl = nullptr;
    HWND hwnd = nullptr;
    HDC dc = nullptr;
};

TEST_F(Wgl, ChoosesTheClosestFormatPreferringTheWindowsOwnVisual) {
    PIXELFORMATDESCRIPTOR want = request(16);
    EXPECT_EQ(ChoosePixelFormat(dc, &want), 2);
    want = request(24);
    EXPECT_EQ(ChoosePixelFormat(dc, &want), 1) << "a missing depth bit outweighs a new window";
    want.dwFlags &= ~PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &want), 3);
    PIXELFORMATDESCRIPTOR got;
    EXPECT_EQ(DescribePixelFormat(dc, 2, sizeof got, &got), 3);
    EXPECT_EQ(got.cDepthBits, 16);
    EXPECT_EQ(DescribePixelFormat(dc, 4, sizeof got, &got), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(Wgl, AFormatIsSetOnceAndContextsFollowIt) {
    SetLastError(0);
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no context before a pixel format";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PIXEL_FORMAT);
    EXPECT_FALSE(SwapBuffers(dc));
    ASSERT_TRUE(SetPixelFormat(dc, 2, nullptr));
    EXPECT_TRUE(SetPixelFormat(dc, 2, nullptr)) << "the same format again is no change";
    EXPECT_FALSE(SetPixelFormat(dc, 3, nullptr));
    EXPECT_EQ(GetPixelFormat(dc), 2);
    EXPECT_EQ(gl->calls.back(), "format w 2") << "the display was asked once";

    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(wglGetProcAddress("glActiveTexture"), nullptr) << "no entry points without a current context";
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    EXPECT_EQ(wglGetCurrentContext(), rc);
    EXPECT_EQ(wglGetCurrentDC(), dc);
    EXPECT_EQ(gl->current, 1);
    EXPECT_NE(wglGetProcAddress("glActiveTexture"), nullptr);
    setenv("VELA_GL_HIDE", "glFoo,glActiveTexture", 1);
    EXPECT_EQ(wglGetProcAddress("glActiveTexture"), nullptr);
    EXPECT_NE(wglGetProcAddress("glActive"), nullptr) << "whole names only";
    unsetenv("VELA_GL_HIDE");
    EXPECT_TRUE(SwapBuffers(dc));

    // A window of another format can't take this context.
    HWND other = makeWindow("other");
    HDC otherDc = GetDC(other);
    ASSERT_TRUE(SetPixelFormat(otherDc, 3, nullptr));
    EXPECT_FALSE(wglMakeCurrent(otherDc, rc));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PIXEL_FORMAT);
    EXPECT_EQ(wglGetCurrentContext(), rc);

    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_EQ(wglGetCurrentContext(), nullptr) << "deleting the current context leaves none";
    EXPECT_EQ(gl->current, 0);
    EXPECT_FALSE(wglMakeCurrent(dc, rc)) << "a deleted context is a stale handle";
}

TEST_F(Wgl, BadHandlesFailTheWin32Way) {
    HDC brush = (HDC)GetStockObject(WHITE_BRUSH);
    for (HDC bad : {(HDC) nullptr, brush, (HDC)(uintptr_t)0x7777}) {
        PIXELFORMATDESCRIPTOR want = request(16);
        SetLastError(0);
        EXPECT_EQ(ChoosePixelFormat(bad, &want), 0);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_FALSE(SetPixelFormat(bad, 1, nullptr));
        EXPECT_EQ(wglCreateContext(bad), nullptr);
        EXPECT_FALSE(SwapBuffers(bad));
    }
    EXPECT_EQ(ChoosePixelFormat(dc, nullptr), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(wglMakeCurrent(dc, (HGLRC)GetStockObject(WHITE_BRUSH)));
    EXPECT_FALSE(wglDeleteContext(nullptr));
}

TEST(Backend, WithoutOpenGlTheNullDisplaySaysSo) {
    core::reset(std::make_unique<core::NullBackend>());
    HWND h = makeWindow("plain");
    ASSERT_NE(h, nullptr);
    PIXELFORMATDESCRIPTOR want = request(16);
    EXPECT_EQ(ChoosePixelFormat(GetDC(h), &want), 0);
    EXPECT_EQ(lastErrorText(), "the null display has no OpenGL\r\n");
}

std::unique_ptr<core::Backend> unreachable() {
    core::setLayerError(core::kErrorNoDisplay, "cannot open the X display ':99'");
    return nullptr;
}

TEST(Backend, ADisplayThatCantBeReachedFailsEveryWindowWithItsReason) {
    core::reset(nullptr);
    core::selectBackend(unreachable);
    int before = procCalls();
    EXPECT_EQ(makeWindow("x"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)core::kErrorNoDisplay);
    EXPECT_EQ(lastErrorText(), "cannot open the X display ':99'\r\n");
    EXPECT_EQ(makeWindow("again"), nullptr) << "and again, without a second attempt";
    EXPECT_EQ(lastErrorText(), "cannot open the X display ':99'\r\n");
    EXPECT_EQ(procCalls(), before) << "a window never made hears nothing";
    core::selectBackend(nullptr);
}

}  // namespace
