// A Win32 window with a WGL context.
#include "window.h"

#include <cstdio>

namespace client {
namespace {
HWND window = nullptr;
HDC dc = nullptr;
HGLRC context = nullptr;

LRESULT CALLBACK windowProc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, message, wp, lp);
}
}  // namespace

bool openWindow(int width, int height, const char *title) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "vela_chain_client";
    RegisterClassA(&wc);
    // The client area, not the frame, must be width x height.
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowA(wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!window) {
        std::fprintf(stderr, "cannot create the window\n");
        return false;
    }
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) {
        std::fprintf(stderr, "no double-buffered RGB pixel format\n");
        return false;
    }
    context = wglCreateContext(dc);
    if (!context || !wglMakeCurrent(dc, context)) {
        std::fprintf(stderr, "cannot make a WGL context current\n");
        return false;
    }
    return true;
}

void *glProc(const char *name) { return reinterpret_cast<void *>(wglGetProcAddress(name)); }

void closeWindow() {
    wglMakeCurrent(nullptr, nullptr);
    if (context) wglDeleteContext(context);
    if (dc) ReleaseDC(window, dc);
    if (window) DestroyWindow(window);
    window = nullptr;
}

}  // namespace client
