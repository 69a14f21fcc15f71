// Pixel formats and rendering contexts over GLX.
//
// Supported: the screen's GLX framebuffer configs that can draw RGBA to a window, without
// multisampling, offered as pixel formats from 1; a window re-created with the format's visual where its own has no
// such config; legacy (compatibility) contexts; double-buffered swaps; entry points by
// glXGetProcAddressARB.
// Not supported: pbuffers and pixmaps, context sharing, swap intervals.
#include "x11/x11_platform.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace vela::x11 {
namespace {

int attrib(GLXFBConfig c, int name) {
    int v = 0;
    glXGetFBConfigAttrib(state().display, c, name, &v);
    return v;
}

PIXELFORMATDESCRIPTOR describe(GLXFBConfig c) {
    PIXELFORMATDESCRIPTOR p;
    std::memset(&p, 0, sizeof p);
    p.nSize = sizeof p;
    p.nVersion = 1;
    p.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (attrib(c, GLX_DOUBLEBUFFER)) p.dwFlags |= PFD_DOUBLEBUFFER;
    if (attrib(c, GLX_STEREO)) p.dwFlags |= PFD_STEREO;
    if (attrib(c, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG) p.dwFlags |= PFD_GENERIC_FORMAT;
    p.iPixelType = PFD_TYPE_RGBA;
    int r = attrib(c, GLX_RED_SIZE), gr = attrib(c, GLX_GREEN_SIZE), b = attrib(c, GLX_BLUE_SIZE);
    p.cColorBits = (BYTE)(r + gr + b);
    p.cRedBits = (BYTE)r;
    p.cGreenBits = (BYTE)gr;
    p.cBlueBits = (BYTE)b;
    p.cAlphaBits = (BYTE)attrib(c, GLX_ALPHA_SIZE);
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
    return p;
}

std::string displayName() { return DisplayString(state().display); }

// Lists the configs once; false, with the layer's error set, when there is no GLX to use.
// NOTE: multisampled configs are left out: Win32 offers them only through
// WGL_ARB_pixel_format, never as pixel formats. Each attribute read costs a call through the
// GL dispatch, so a config is dropped at the first attribute that rules it out, and the rest
// is read when a format is first described.
bool readFormats() {
    State &s = state();
    if (!s.formatsRead) {
        s.formatsRead = true;
        int errorBase, eventBase;
        if (glXQueryExtension(s.display, &errorBase, &eventBase)) {
            int count = 0;
            GLXFBConfig *all = glXGetFBConfigs(s.display, s.screen, &count);
            for (int i = 0; i < count; ++i) {
                if (!(attrib(all[i], GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) ||
                    !(attrib(all[i], GLX_RENDER_TYPE) & GLX_RGBA_BIT) || attrib(all[i], GLX_SAMPLE_BUFFERS))
                    continue;
                if (VisualID visual = (VisualID)attrib(all[i], GLX_VISUAL_ID)) {
                    s.configs.push_back(all[i]);
                    s.visuals.push_back(visual);
                }
            }
            s.formats.assign(s.configs.size(), PIXELFORMATDESCRIPTOR{});
            if (all) XFree(all);
        }
    }
    if (!s.configs.empty()) return true;
    int errorBase, eventBase;
    // NOTE: Win32 always has opengl32; an X server without GLX can't show this program.
    core::setLayerError(core::kErrorNoGl, glXQueryExtension(s.display, &errorBase, &eventBase)
                                              ? "the X display '" + displayName() +
                                                    "' offers no GLX framebuffer config for windows"
                                              : "the X display '" + displayName() + "' has no GLX extension");
    return false;
}

// Replaces a window's X window by one of another visual, keeping its children.
bool recreateWithVisual(core::Window &w, XVisualInfo *vi) {
    State &s = state();
    NativeWindow *n = native(w);
    ::Window old = n->xid;
    ::Window fresh = createXWindow(w, *n, vi->visual, vi->depth);
    if (!fresh) return false;
    for (core::Window *c : w.children) {
        NativeWindow *cn = native(*c);
        XReparentWindow(s.display, cn->xid, fresh, c->outer.left + c->frame.left, c->outer.top + c->frame.top);
    }
    s.windows.erase(old);
    s.windows[fresh] = w.handle();
    n->xid = fresh;
    n->mapped = false;
    if (!w.parent) setWmProperties(w, *n);
    if (w.visible) XMapWindow(s.display, fresh);
    XDestroyWindow(s.display, old);
    return true;
}

}  // namespace

int X11Backend::pixelFormatCount() { return readFormats() ? (int)state().formats.size() : 0; }

void X11Backend::describePixelFormat(int format, PIXELFORMATDESCRIPTOR &pfd) {
    PIXELFORMATDESCRIPTOR &known = state().formats[format - 1];
    if (!known.nSize) known = describe(state().configs[format - 1]);
    pfd = known;
}

bool X11Backend::formatFitsWindow(core::Window &w, int format) {
    NativeWindow *n = native(w);
    return n && state().visuals[format - 1] == XVisualIDFromVisual(n->visual);
}

bool X11Backend::setPixelFormat(core::Window &w, int format) {
    NativeWindow *n = native(w);
    GLXFBConfig config = state().configs[format - 1];
    XVisualInfo *vi = glXGetVisualFromFBConfig(state().display, config);
    bool ok = vi && (vi->visualid == XVisualIDFromVisual(n->visual) || recreateWithVisual(w, vi));
    if (vi) XFree(vi);
    if (ok) n->glxWindow = glXCreateWindow(state().display, config, n->xid, nullptr);
    if (!ok || !n->glxWindow) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return false;
    }
    return true;
}

void *X11Backend::createContext(core::Window &, int format) {
    GLXContext context;
    int error;
    {
        // A refused context is this call's failure to report, not a stray X error.
        ErrorTrap trap;
        context = glXCreateNewContext(state().display, state().configs[format - 1], GLX_RGBA_TYPE, nullptr, True);
        error = trap.sync();
    }
    if (!context) {
        std::string why = "the GL could not make a rendering context for pixel format " + std::to_string(format);
        if (error) {
            char text[128] = "";
            XGetErrorText(state().display, error, text, sizeof text);
            why += std::string(" (") + text + ")";
        }
        core::setLayerError(core::kErrorNoGlContext, why);
    }
    return context;
}

void X11Backend::deleteContext(void *context) {
    glXDestroyContext(state().display, static_cast<GLXContext>(context));
}

bool X11Backend::makeCurrent(core::Window *w, void *context) {
    if (!w) return glXMakeContextCurrent(state().display, None, None, nullptr);
    NativeWindow *n = native(*w);
    ErrorTrap trap;
    if (!n || !glXMakeContextCurrent(state().display, n->glxWindow, n->glxWindow, static_cast<GLXContext>(context)) ||
        trap.sync()) {
        core::setLayerError(core::kErrorNoGlContext, "the GL could not make the rendering context current");
        return false;
    }
    return true;
}

bool X11Backend::swapBuffers(core::Window &w) {
    NativeWindow *n = native(w);
    glXSwapBuffers(state().display, n->glxWindow);
    return true;
}

PROC X11Backend::procAddress(const char *name) {
    return (PROC)glXGetProcAddressARB((const GLubyte *)name);
}

}  // namespace vela::x11
