// GDI pixel formats and WGL: the Win32 rules, with the display's formats and contexts
// reached through the backend.
//
// Supported: ChoosePixelFormat, DescribePixelFormat, SetPixelFormat (once a window),
// GetPixelFormat, SwapBuffers, wglCreateContext, wglDeleteContext, wglMakeCurrent,
// wglGetCurrentContext/DC, wglGetProcAddress (entry points of the current context only).
// Not supported: sharing lists, layer planes, colour-index formats, memory DCs.
#include "core/state.h"

#include <cstdlib>
#include <cstring>

namespace vela::core {
namespace {

struct GlContext : Object {
    static constexpr Kind kKind = Kind::GLContext;
    GlContext() : Object(Kind::GLContext) {}
    void *native = nullptr;
    int pixelFormat = 0;
};

Window *dcWindow(HDC hdc) {
    DeviceContext *dc = find<DeviceContext>(hdc);
    if (!dc) return nullptr;
    Window *w = window(dc->hwnd);
    if (!w) SetLastError(ERROR_INVALID_HANDLE);
    return w;
}

constexpr long kNewWindowCost = 500;

// Lower is better; -1 for a format missing a required property.
long score(const PIXELFORMATDESCRIPTOR &want, const PIXELFORMATDESCRIPTOR &have, bool fitsWindow) {
    const DWORD required = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_STEREO;
    if ((want.dwFlags & required & ~have.dwFlags) != 0) return -1;
    if (!(want.dwFlags & PFD_DOUBLEBUFFER_DONTCARE) && ((want.dwFlags ^ have.dwFlags) & PFD_DOUBLEBUFFER))
        return -1;
    long s = 0;
    auto shortfall = [](int want, int have) { return have < want ? (want - have) * 1000L : (have - want); };
    s += shortfall(want.cColorBits ? want.cColorBits : 24, have.cColorBits);
    s += shortfall(want.cAlphaBits, have.cAlphaBits);
    if (!(want.dwFlags & PFD_DEPTH_DONTCARE)) s += shortfall(want.cDepthBits, have.cDepthBits);
    s += shortfall(want.cStencilBits, have.cStencilBits);
    s += shortfall(want.cAccumBits, have.cAccumBits);
    s += shortfall(want.cAuxBuffers, have.cAuxBuffers) * 10;
    if (have.dwFlags & PFD_GENERIC_FORMAT) s += 100;
    if (!fitsWindow) s += kNewWindowCost;
    return s;
}

// NOTE: VELA_GL_HIDE (names separated by commas) makes the listed entry points missing,
// to see how a program copes with a GL that lacks them.
bool hidden(const char *name) {
    const char *list = std::getenv("VELA_GL_HIDE");
    if (!list) return false;
    size_t n = std::strlen(name);
    for (const char *p = list; *p;) {
        const char *end = std::strchr(p, ',');
        size_t len = end ? (size_t)(end - p) : std::strlen(p);
        if (len == n && std::strncmp(p, name, n) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

}  // namespace
}  // namespace vela::core

using namespace vela::core;

extern "C" int WINAPI DescribePixelFormat(HDC hdc, int format, UINT bytes, LPPIXELFORMATDESCRIPTOR pfd) {
    if (!dcWindow(hdc)) return 0;
    int count = backend().pixelFormatCount();
    if (!count || !pfd) return count;
    if (format < 1 || format > count || bytes < sizeof(PIXELFORMATDESCRIPTOR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    backend().describePixelFormat(format, *pfd);
    return count;
}

extern "C" int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR *want) {
    Window *w = dcWindow(hdc);
    if (!w) return 0;
    if (!want || want->nSize != sizeof(PIXELFORMATDESCRIPTOR) || want->iPixelType != PFD_TYPE_RGBA) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int count = backend().pixelFormatCount();
    int best = 0;
    long bestScore = -1;
    auto consider = [&](int format, bool fits) {
        PIXELFORMATDESCRIPTOR have;
        backend().describePixelFormat(format, have);
        long s = score(*want, have, fits);
        if (s >= 0 && (bestScore < 0 || s < bestScore || (s == bestScore && format < best))) best = format, bestScore = s;
    };
    // The formats the window can take as it is first: the others cost a new window, so
    // they are described (a cost per format) only when none of the first does as well.
    for (int format = 1; format <= count; ++format)
        if (backend().formatFitsWindow(*w, format)) consider(format, true);
    if (bestScore < 0 || bestScore >= kNewWindowCost)
        for (int format = 1; format <= count; ++format)
            if (!backend().formatFitsWindow(*w, format)) consider(format, false);
    if (count && !best) SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return best;
}

extern "C" BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR *) {
    Window *w = dcWindow(hdc);
    if (!w) return FALSE;
    int count = backend().pixelFormatCount();
    if (!count) return FALSE;
    if (w->pixelFormat) {
        // Win32 lets a window's pixel format be set once.
        if (w->pixelFormat == format) return TRUE;
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (format < 1 || format > count) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (!backend().setPixelFormat(*w, format)) return FALSE;
    w->pixelFormat = format;
    return TRUE;
}

extern "C" int WINAPI GetPixelFormat(HDC hdc) {
    Window *w = dcWindow(hdc);
    if (w && !w->pixelFormat) SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return w ? w->pixelFormat : 0;
}

extern "C" BOOL WINAPI SwapBuffers(HDC hdc) {
    Window *w = dcWindow(hdc);
    if (!w) return FALSE;
    if (!w->pixelFormat) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    return backend().swapBuffers(*w);
}

extern "C" HGLRC WINAPI wglCreateContext(HDC hdc) {
    Window *w = dcWindow(hdc);
    if (!w) return nullptr;
    // Without any OpenGL the display's own reason says more than a missing pixel format.
    if (!backend().pixelFormatCount()) return nullptr;
    if (!w->pixelFormat) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    void *native = backend().createContext(*w, w->pixelFormat);
    if (!native) return nullptr;
    auto rc = std::make_unique<GlContext>();
    rc->native = native;
    rc->pixelFormat = w->pixelFormat;
    return toHandle<HGLRC>(addObject(std::move(rc)));
}

extern "C" BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc) {
    GlCurrent &current = state().gl;
    if (!hglrc) {
        // The device context is ignored: whatever is current stops being so.
        if (current.rc) backend().makeCurrent(nullptr, nullptr);
        current = {};
        return TRUE;
    }
    GlContext *rc = find<GlContext>(hglrc);
    Window *w = rc ? dcWindow(hdc) : nullptr;
    if (!rc || !w) return FALSE;
    if (w->pixelFormat != rc->pixelFormat) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (!backend().makeCurrent(w, rc->native)) return FALSE;
    current = {hdc, hglrc};
    return TRUE;
}

extern "C" BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
    GlContext *rc = find<GlContext>(hglrc);
    if (!rc) return FALSE;
    if (state().gl.rc == hglrc) wglMakeCurrent(nullptr, nullptr);
    backend().deleteContext(rc->native);
    removeObject(rc->id);
    return TRUE;
}

extern "C" HGLRC WINAPI wglGetCurrentContext(void) { return state().gl.rc; }
extern "C" HDC WINAPI wglGetCurrentDC(void) { return state().gl.dc; }

extern "C" PROC WINAPI wglGetProcAddress(LPCSTR name) {
    // As on Windows, entry points belong to the current context: none without one.
    if (!name || !state().gl.rc || hidden(name)) return nullptr;
    return backend().procAddress(name);
}
