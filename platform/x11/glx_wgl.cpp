// GDI pixel formats and WGL over GLX.
//
// Supported: ChoosePixelFormat, DescribePixelFormat, SetPixelFormat, GetPixelFormat,
// SwapBuffers, wglCreateContext (a legacy, i.e. compatibility, context), wglDeleteContext,
// wglMakeCurrent, wglGetCurrentContext/DC, wglGetProcAddress.
// Pixel formats are the screen's GLX framebuffer configs that can draw to a window in
// RGBA, numbered from 1. Not supported: sharing lists, layer planes, colour-index formats.
#include "x11/x11_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vela::x11 {
namespace {

struct GLContext : core::Object {
    static constexpr core::Kind kKind = core::Kind::GLContext;
    GLContext() : Object(core::Kind::GLContext) {}
    GLXContext context = nullptr;
    int pixelFormat = 0;
};

struct Current {
    HDC dc = nullptr;
    HGLRC rc = nullptr;
} current;

std::vector<GLXFBConfig> &formats() {
    static std::vector<GLXFBConfig> list;
    static bool loaded = false;
    if (loaded) return list;
    loaded = true;
    State &s = state();
    int errorBase, eventBase;
    if (!glXQueryExtension(s.display, &errorBase, &eventBase)) {
        // NOTE: Win32 always has opengl32; an X server without GLX can't show this program.
        std::fprintf(stderr, "glx: the X server \"%s\" has no GLX extension\n", DisplayString(s.display));
        std::exit(1);
    }
    int count = 0;
    GLXFBConfig *all = glXGetFBConfigs(s.display, s.screen, &count);
    for (int i = 0; i < count; ++i) {
        int drawable = 0, render = 0, visual = 0;
        glXGetFBConfigAttrib(s.display, all[i], GLX_DRAWABLE_TYPE, &drawable);
        glXGetFBConfigAttrib(s.display, all[i], GLX_RENDER_TYPE, &render);
        glXGetFBConfigAttrib(s.display, all[i], GLX_VISUAL_ID, &visual);
        if ((drawable & GLX_WINDOW_BIT) && (render & GLX_RGBA_BIT) && visual) list.push_back(all[i]);
    }
    if (all) XFree(all);
    if (list.empty()) {
        std::fprintf(stderr, "glx: the X server \"%s\" offers no GLX framebuffer config for windows\n",
                     DisplayString(s.display));
        std::exit(1);
    }
    return list;
}

int attrib(GLXFBConfig c, int name) {
    int v = 0;
    glXGetFBConfigAttrib(state().display, c, name, &v);
    return v;
}

void describe(GLXFBConfig c, PIXELFORMATDESCRIPTOR &p) {
    std::memset(&p, 0, sizeof p);
    p.nSize = sizeof p;
    p.nVersion = 1;
    p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (attrib(c, GLX_DOUBLEBUFFER)) p.dwFlags |= PFD_DOUBLEBUFFER;
    if (attrib(c, GLX_STEREO)) p.dwFlags |= PFD_STEREO;
    if (attrib(c, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG) p.dwFlags |= PFD_GENERIC_FORMAT;
    p.iPixelType = PFD_TYPE_RGBA;
    int r = attrib(c, GLX_RED_SIZE), gr = attrib(c, GLX_GREEN_SIZE), b = attrib(c, GLX_BLUE_SIZE);
    int a = attrib(c, GLX_ALPHA_SIZE);
    p.cColorBits = (BYTE)(r + gr + b);
    p.cRedBits = (BYTE)r;
    p.cGreenBits = (BYTE)gr;
    p.cBlueBits = (BYTE)b;
    p.cAlphaBits = (BYTE)a;
    p.cBlueShift = 0;
    p.cGreenShift = (BYTE)b;
    p.cRedShift = (BYTE)(b + gr);
    p.cAlphaShift = (BYTE)(r + gr + b);
    int ar = attrib(c, GLX_ACCUM_RED_SIZE), ag = attrib(c, GLX_ACCUM_GREEN_SIZE),
        ab = attrib(c, GLX_ACCUM_BLUE_SIZE), aa = attrib(c, GLX_ACCUM_ALPHA_SIZE);
    p.cAccumBits = (BYTE)(ar + ag + ab + aa);
    p.cAccumRedBits = (BYTE)ar;
    p.cAccumGreenBits = (BYTE)ag;
    p.cAccumBlueBits = (BYTE)ab;
    p.cAccumAlphaBits = (BYTE)aa;
    p.cDepthBits = (BYTE)attrib(c, GLX_DEPTH_SIZE);
    p.cStencilBits = (BYTE)attrib(c, GLX_STENCIL_SIZE);
    p.cAuxBuffers = (BYTE)attrib(c, GLX_AUX_BUFFERS);
    p.iLayerType = PFD_MAIN_PLANE;
}

core::Window *dcWindow(HDC hdc) {
    core::DeviceContext *dc = core::find<core::DeviceContext>(hdc);
    if (!dc) return nullptr;
    core::Window *w = core::window(dc->hwnd);
    if (!w) SetLastError(ERROR_INVALID_HANDLE);
    return w;
}

// Lower is better; a format missing a required property is never chosen.
long score(const PIXELFORMATDESCRIPTOR &want, const PIXELFORMATDESCRIPTOR &have, bool sameVisual) {
    const DWORD required = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_STEREO;
    if ((want.dwFlags & required & ~have.dwFlags) != 0) return -1;
    if (!(want.dwFlags & PFD_DOUBLEBUFFER_DONTCARE) &&
        ((want.dwFlags ^ have.dwFlags) & PFD_DOUBLEBUFFER))
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
    if (!sameVisual) s += 500;  // keeps the window's X visual: no re-creation
    return s;
}

}  // namespace
}  // namespace vela::x11

using namespace vela;
using namespace vela::x11;

extern "C" int WINAPI DescribePixelFormat(HDC hdc, int format, UINT bytes, LPPIXELFORMATDESCRIPTOR pfd) {
    if (!dcWindow(hdc)) return 0;
    auto &list = formats();
    if (!pfd) return (int)list.size();
    if (format < 1 || format > (int)list.size() || bytes < sizeof(PIXELFORMATDESCRIPTOR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    describe(list[format - 1], *pfd);
    return (int)list.size();
}

extern "C" int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR *want) {
    core::Window *w = dcWindow(hdc);
    if (!w) return 0;
    if (!want || want->nSize != sizeof(PIXELFORMATDESCRIPTOR) || want->iPixelType != PFD_TYPE_RGBA) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto &list = formats();
    VisualID windowVisual = XVisualIDFromVisual(native(*w)->visual);
    int best = 0;
    long bestScore = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        PIXELFORMATDESCRIPTOR have;
        describe(list[i], have);
        bool same = (VisualID)attrib(list[i], GLX_VISUAL_ID) == windowVisual;
        long s = score(*want, have, same);
        if (s >= 0 && (bestScore < 0 || s < bestScore)) best = (int)i + 1, bestScore = s;
    }
    if (!best) SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return best;
}

extern "C" BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR *) {
    core::Window *w = dcWindow(hdc);
    if (!w) return FALSE;
    auto &list = formats();
    NativeWindow *n = native(*w);
    if (format < 1 || format > (int)list.size() || n->pixelFormat) {
        // Win32 lets a window's pixel format be set once.
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return n->pixelFormat == format && format != 0;
    }
    State &s = state();
    GLXFBConfig config = list[format - 1];
    XVisualInfo *vi = glXGetVisualFromFBConfig(s.display, config);
    if (!vi) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    bool ok = vi->visualid == XVisualIDFromVisual(n->visual) || recreateWithVisual(*w, vi);
    XFree(vi);
    if (!ok) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    n->glxWindow = glXCreateWindow(s.display, config, n->xid, nullptr);
    if (!n->glxWindow) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    n->pixelFormat = format;
    n->config = config;
    return TRUE;
}

extern "C" int WINAPI GetPixelFormat(HDC hdc) {
    core::Window *w = dcWindow(hdc);
    return w ? native(*w)->pixelFormat : 0;
}

extern "C" BOOL WINAPI SwapBuffers(HDC hdc) {
    core::Window *w = dcWindow(hdc);
    if (!w) return FALSE;
    NativeWindow *n = native(*w);
    if (!n->glxWindow) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    glXSwapBuffers(state().display, n->glxWindow);
    return TRUE;
}

extern "C" HGLRC WINAPI wglCreateContext(HDC hdc) {
    core::Window *w = dcWindow(hdc);
    if (!w) return nullptr;
    NativeWindow *n = native(*w);
    if (!n->pixelFormat) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    GLXContext ctx = glXCreateNewContext(state().display, n->config, GLX_RGBA_TYPE, nullptr, True);
    if (!ctx) {
        std::fprintf(stderr, "glx: glXCreateNewContext failed for pixel format %d\n", n->pixelFormat);
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return nullptr;
    }
    auto rc = std::make_unique<GLContext>();
    rc->context = ctx;
    rc->pixelFormat = n->pixelFormat;
    return core::toHandle<HGLRC>(core::addObject(std::move(rc)));
}

extern "C" BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc) {
    State &s = state();
    if (!hglrc) {
        if (!s.display) return TRUE;
        glXMakeContextCurrent(s.display, None, None, nullptr);
        current = {};
        return TRUE;
    }
    GLContext *rc = core::find<GLContext>(hglrc);
    core::Window *w = dcWindow(hdc);
    if (!rc || !w) return FALSE;
    NativeWindow *n = native(*w);
    if (n->pixelFormat != rc->pixelFormat) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return FALSE;
    }
    if (!glXMakeContextCurrent(s.display, n->glxWindow, n->glxWindow, rc->context)) return FALSE;
    current = {hdc, hglrc};
    return TRUE;
}

extern "C" BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
    GLContext *rc = core::find<GLContext>(hglrc);
    if (!rc) return FALSE;
    if (current.rc == hglrc) wglMakeCurrent(nullptr, nullptr);
    glXDestroyContext(state().display, rc->context);
    core::removeObject(rc->id);
    return TRUE;
}

extern "C" HGLRC WINAPI wglGetCurrentContext(void) { return current.rc; }
extern "C" HDC WINAPI wglGetCurrentDC(void) { return current.dc; }

// NOTE: VELA_GL_HIDE (names separated by commas) makes the listed entry points missing,
// to see how a program copes with a GL that lacks them.
static bool hidden(const char *name) {
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

extern "C" PROC WINAPI wglGetProcAddress(LPCSTR name) {
    // As on Windows, entry points belong to the current context: none without one.
    if (!name || !current.rc || hidden(name)) return nullptr;
    return (PROC)glXGetProcAddressARB((const GLubyte *)name);
}
