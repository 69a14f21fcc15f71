// X11 backend: the connection, windows, and X events turned into the core's input.
//
// Supported:
//  - top-level, popup (override-redirect) and child windows; the X window is the client area
//  - title (WM_NAME and _NET_WM_NAME in UTF-8), WM_CLASS, position and size hints, _NET_WM_PID
//  - pointer motion and buttons (1-3, wheel 4/5) with Win32's routing; keys as virtual keys
//  - Expose as invalidation, WM_DELETE_WINDOW as SC_CLOSE, _NET_WM_PING answered
//  - size and position changes made by a window manager
//  - _NET_WM_WINDOW_TYPE_DIALOG for WS_EX_DLGMODALFRAME (message boxes)
//  - X protocol errors reported on stderr; a lost connection ends the process with status 1
// Not supported: mouse cursors, icons, IME input.
#include "x11/x11_platform.h"

#include "core/codepage.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace vela::x11 {
namespace {

State g;

int onXError(Display *display, XErrorEvent *e) {
    char text[256] = "", request[256] = "";
    XGetErrorText(display, e->error_code, text, sizeof text);
    char code[32];
    std::snprintf(code, sizeof code, "%d", e->request_code);
    XGetErrorDatabaseText(display, "XRequest", code, code, request, sizeof request);
    std::fprintf(stderr, "x11: X error: %s (request %s, minor %d, resource 0x%lx)\n", text, request,
                 e->minor_code, e->resourceid);
    return 0;
}

[[noreturn]] int onIOError(Display *) {
    std::fflush(stdout);
    std::fprintf(stderr, "x11: lost the connection to the X server\n");
    _exit(1);
}

UINT virtualKey(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return (UINT)('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return (UINT)('A' + (sym - XK_A));
    if (sym >= XK_0 && sym <= XK_9) return (UINT)('0' + (sym - XK_0));
    if (sym >= XK_F1 && sym <= XK_F12) return (UINT)(VK_F1 + (sym - XK_F1));
    switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: return VK_TAB;
    case XK_Return:
    case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Prior: return VK_PRIOR;
    case XK_Next: return VK_NEXT;
    case XK_End: return VK_END;
    case XK_Home: return VK_HOME;
    case XK_Left: return VK_LEFT;
    case XK_Up: return VK_UP;
    case XK_Right: return VK_RIGHT;
    case XK_Down: return VK_DOWN;
    case XK_Delete: return VK_DELETE;
    case XK_Shift_L:
    case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R: return VK_MENU;
    default: return 0;
    }
}

WPARAM mouseKeys(unsigned state) {
    WPARAM k = 0;
    if (state & Button1Mask) k |= MK_LBUTTON;
    if (state & Button2Mask) k |= MK_MBUTTON;
    if (state & Button3Mask) k |= MK_RBUTTON;
    if (state & ShiftMask) k |= MK_SHIFT;
    if (state & ControlMask) k |= MK_CONTROL;
    return k;
}

// The top-level window an X event belongs to and the event point in its client area.
core::Window *topLevelPoint(::Window xid, int x, int y, POINT *pt) {
    core::Window *w = windowForXid(xid);
    if (!w) return nullptr;
    core::Window *top = w->topLevel();
    POINT o = w->clientOrigin(), t = top->clientOrigin();
    *pt = POINT{x + o.x - t.x, y + o.y - t.y};
    return top;
}

void onButton(const XButtonEvent &e, bool press) {
    POINT pt;
    core::Window *top = topLevelPoint(e.window, e.x, e.y, &pt);
    if (!top) return;
    WPARAM keys = mouseKeys(e.state);
    if (e.button == Button4 || e.button == Button5) {
        if (!press) return;
        short delta = e.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
        POINT screen{e.x_root, e.y_root};
        HWND target = GetFocus();
        if (!target || core::window(target)->topLevel() != top) target = top->handle();
        core::postInput(target, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), MAKELPARAM(screen.x, screen.y));
        return;
    }
    UINT msg;
    WPARAM bit;
    switch (e.button) {
    case Button1: msg = press ? WM_LBUTTONDOWN : WM_LBUTTONUP, bit = MK_LBUTTON; break;
    case Button2: msg = press ? WM_MBUTTONDOWN : WM_MBUTTONUP, bit = MK_MBUTTON; break;
    case Button3: msg = press ? WM_RBUTTONDOWN : WM_RBUTTONUP, bit = MK_RBUTTON; break;
    default: return;
    }
    // X reports the state before the event; Win32 the state after it.
    keys = press ? (keys | bit) : (keys & ~bit);
    core::pointerEvent(top, pt, msg, keys, (DWORD)e.time);
}

void onMotion(const XMotionEvent &e) {
    POINT pt;
    core::Window *top = topLevelPoint(e.window, e.x, e.y, &pt);
    if (!top) return;
    core::pointerEvent(top, pt, WM_MOUSEMOVE, mouseKeys(e.state), (DWORD)e.time);
}

void onKey(XKeyEvent &e, bool press) {
    core::Window *w = windowForXid(e.window);
    if (!w) return;
    KeySym sym = XkbKeycodeToKeysym(g.display, (KeyCode)e.keycode, 0, 0);
    UINT vk = virtualKey(sym);
    if (!vk) return;
    LPARAM lp = 1 | ((LPARAM)(e.keycode & 0xff) << 16);
    if (!press) lp |= (LPARAM)3 << 30;
    core::keyEvent(w->topLevel(), press ? WM_KEYDOWN : WM_KEYUP, vk, lp);
}

void onClientMessage(const XClientMessageEvent &e) {
    // Any client may send these: check everything before acting.
    if (e.message_type != g.wmProtocols || e.format != 32) return;
    core::Window *w = windowForXid(e.window);
    if (!w || w->parent) return;
    Atom protocol = (Atom)e.data.l[0];
    if (protocol == g.wmDeleteWindow) {
        core::postInput(w->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (protocol == g.netWmPing && e.window != g.root) {
        XClientMessageEvent reply = e;
        reply.window = g.root;
        XSendEvent(g.display, g.root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                   (XEvent *)&reply);
    }
}

void onConfigure(const XConfigureEvent &e) {
    core::Window *w = windowForXid(e.window);
    if (!w || w->parent) return;
    HWND h = w->handle();
    // Where a window manager put it: popups and boxes are placed in screen coordinates.
    int x, y;
    ::Window child;
    POINT o = w->clientOrigin();
    if (XTranslateCoordinates(g.display, e.window, g.root, 0, 0, &x, &y, &child) && (x != o.x || y != o.y)) {
        w->outer = RECT{w->outer.left + x - o.x, w->outer.top + y - o.y, w->outer.right + x - o.x,
                        w->outer.bottom + y - o.y};
        SendMessageA(h, WM_MOVE, 0, MAKELPARAM(x, y));
        if (!(w = core::window(h))) return;
    }
    if (e.width == w->clientWidth() && e.height == w->clientHeight()) return;
    w->outer.right = w->outer.left + e.width + w->frame.left + w->frame.right;
    w->outer.bottom = w->outer.top + e.height + w->frame.top + w->frame.bottom;
    SendMessageA(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(e.width, e.height));
    if ((w = core::window(h)) && w->cls && (w->cls->style & (CS_HREDRAW | CS_VREDRAW)))
        core::invalidate(w, nullptr, true);
}

void handleEvent(XEvent &ev) {
    switch (ev.type) {
    case Expose:
        if (core::Window *w = windowForXid(ev.xexpose.window)) {
            RECT r{ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width,
                   ev.xexpose.y + ev.xexpose.height};
            // NOTE: no erase. The X server already painted the background (or, for a GL
            // window, there is none): a GDI fill now would paint over the last frame.
            core::invalidate(w, &r, false);
        }
        break;
    case ButtonPress: onButton(ev.xbutton, true); break;
    case ButtonRelease: onButton(ev.xbutton, false); break;
    case MotionNotify: onMotion(ev.xmotion); break;
    case KeyPress: onKey(ev.xkey, true); break;
    case KeyRelease: onKey(ev.xkey, false); break;
    case ClientMessage: onClientMessage(ev.xclient); break;
    case ConfigureNotify: onConfigure(ev.xconfigure); break;
    case MapNotify:
        if (core::Window *w = windowForXid(ev.xmap.window)) {
            NativeWindow *n = native(*w);
            n->mapped = true;
            if (n->focusWhenMapped) {
                n->focusWhenMapped = false;
                XSetInputFocus(g.display, n->xid, RevertToParent, CurrentTime);
            }
        }
        break;
    case UnmapNotify:
        if (core::Window *w = windowForXid(ev.xunmap.window)) native(*w)->mapped = false;
        break;
    default: break;
    }
}

void setWmProperties(core::Window &w, NativeWindow &n) {
    std::string name = core::ansiToUtf8(w.title);
    XSizeHints *size = XAllocSizeHints();
    size->flags = PPosition | USPosition | PSize;
    size->x = w.outer.left + w.frame.left;
    size->y = w.outer.top + w.frame.top;
    size->width = std::max(w.clientWidth(), 1);
    size->height = std::max(w.clientHeight(), 1);
    XClassHint cls;
    std::string resName = w.cls ? w.cls->name : "vela";
    cls.res_name = resName.data();
    cls.res_class = const_cast<char *>("Vela");
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    Xutf8SetWMProperties(g.display, n.xid, name.c_str(), name.c_str(), nullptr, 0, size, &hints, &cls);
    XFree(size);
    XChangeProperty(g.display, n.xid, g.netWmName, g.utf8String, 8, PropModeReplace,
                    (const unsigned char *)name.data(), (int)name.size());
    Atom protocols[] = {g.wmDeleteWindow, g.netWmPing};
    XSetWMProtocols(g.display, n.xid, protocols, 2);
    long pid = getpid();
    XChangeProperty(g.display, n.xid, g.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&pid, 1);
    if (w.exStyle & WS_EX_DLGMODALFRAME)
        XChangeProperty(g.display, n.xid, g.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char *)&g.netWmWindowTypeDialog, 1);
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;

::Window createXWindow(core::Window &w, NativeWindow &n, Visual *visual, int depth) {
    ::Window parent = g.root;
    if (w.parent) parent = native(*w.parent)->xid;
    int x = w.outer.left + w.frame.left, y = w.outer.top + w.frame.top;
    if (w.parent) {
        // The parent's X window is its client area.
        x = w.outer.left + w.frame.left;
        y = w.outer.top + w.frame.top;
    }
    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWColormap | CWBackPixmap;
    a.event_mask = kEventMask;
    a.border_pixel = 0;
    a.background_pixmap = None;
    n.colormap = (visual == g.visual) ? DefaultColormap(g.display, g.screen)
                                      : XCreateColormap(g.display, g.root, visual, AllocNone);
    a.colormap = n.colormap;
    bool popup = !w.parent && (w.style & WS_POPUP) && (w.style & WS_CAPTION) != WS_CAPTION;
    if (popup) {
        a.override_redirect = True;
        mask |= CWOverrideRedirect;
    }
    n.visual = visual;
    n.depth = depth;
    return XCreateWindow(g.display, parent, x, y, (unsigned)std::max(w.clientWidth(), 1),
                         (unsigned)std::max(w.clientHeight(), 1), 0, depth, InputOutput, visual, mask, &a);
}

class X11Backend final : public core::Backend {
public:
    bool createWindow(core::Window &w) override {
        auto *n = new NativeWindow;
        w.native = n;
        n->xid = createXWindow(w, *n, g.visual, g.depth);
        if (!n->xid) return false;
        g.windows[n->xid] = w.handle();
        if (!w.parent) setWmProperties(w, *n);
        return true;
    }

    void destroyWindow(core::Window &w) override {
        NativeWindow *n = native(w);
        if (!n) return;
        if (n->glxWindow) glXDestroyWindow(g.display, n->glxWindow);
        g.windows.erase(n->xid);
        // A destroyed parent's X window takes its children's with it.
        if (!w.parent || core::window(w.parent->handle())) XDestroyWindow(g.display, n->xid);
        delete n;
        w.native = nullptr;
    }

    void showWindow(core::Window &w, bool show) override {
        NativeWindow *n = native(w);
        if (!n) return;
        if (show)
            XMapWindow(g.display, n->xid);
        else
            XUnmapWindow(g.display, n->xid);
    }

    void setTitle(core::Window &w) override {
        if (NativeWindow *n = native(w); n && !w.parent) setWmProperties(w, *n);
    }

    void moveWindow(core::Window &w) override {
        NativeWindow *n = native(w);
        if (!n) return;
        XMoveResizeWindow(g.display, n->xid, w.outer.left + w.frame.left, w.outer.top + w.frame.top,
                          (unsigned)std::max(w.clientWidth(), 1), (unsigned)std::max(w.clientHeight(), 1));
    }

    void setFocus(core::Window *w) override {
        if (!w) return;
        NativeWindow *n = native(*w->topLevel());
        if (!n) return;
        if (n->mapped)
            XSetInputFocus(g.display, n->xid, RevertToParent, CurrentTime);
        else
            n->focusWhenMapped = true;
    }

    void pollEvents() override {
        while (XPending(g.display)) {
            XEvent ev;
            XNextEvent(g.display, &ev);
            handleEvent(ev);
        }
    }

    void waitEvents(int timeoutMs) override {
        XFlush(g.display);
        if (XPending(g.display)) return;
        pollfd p{ConnectionNumber(g.display), POLLIN, 0};
        poll(&p, 1, timeoutMs);
    }

    void fillRect(core::Window &w, const RECT &r, uint32_t rgb) override {
        NativeWindow *n = native(w);
        if (!n || r.right <= r.left || r.bottom <= r.top) return;
        XSetForeground(g.display, g.gc, pixelFor(rgb));
        XFillRectangle(g.display, n->xid, g.gc, r.left, r.top, (unsigned)(r.right - r.left),
                       (unsigned)(r.bottom - r.top));
    }

    int screenWidth() override { return DisplayWidth(g.display, g.screen); }
    int screenHeight() override { return DisplayHeight(g.display, g.screen); }

    int screenDepthBits() override {
        int count = 0, bits = g.depth;
        if (XPixmapFormatValues *f = XListPixmapFormats(g.display, &count)) {
            for (int i = 0; i < count; ++i)
                if (f[i].depth == g.depth) bits = f[i].bits_per_pixel;
            XFree(f);
        }
        return bits;
    }

    unsigned charForKey(UINT vk, UINT scanCode) override {
        switch (vk) {
        case VK_RETURN: return '\r';
        case VK_ESCAPE: return 0x1b;
        case VK_BACK: return 8;
        case VK_TAB: return 9;
        default: break;
        }
        char keys[32];
        XQueryKeymap(g.display, keys);
        auto down = [&](KeySym s) {
            KeyCode c = XKeysymToKeycode(g.display, s);
            return c && (keys[c / 8] & (1 << (c % 8)));
        };
        bool shift = down(XK_Shift_L) || down(XK_Shift_R);
        KeySym sym = XkbKeycodeToKeysym(g.display, (KeyCode)scanCode, 0, shift ? 1 : 0);
        return (sym >= 0x20 && sym <= 0xff) ? (unsigned)sym : 0;
    }

    void paintComboBox(core::Window &w, const core::ComboBox &box) override { x11::paintComboBox(w, box); }
    void paintComboList(core::Window &w, const core::ComboBox &box) override { x11::paintComboList(w, box); }
    void paintMessageBox(core::Window &w, const core::MessageBoxState &box) override {
        x11::paintMessageBox(w, box);
    }
    SIZE textExtent(const std::string &utf8) override { return x11::textExtent(utf8); }
    void grabPointer(core::Window *popup) override { x11::grabPointer(popup); }
};

}  // namespace

State &state() { return g; }

NativeWindow *native(core::Window &w) { return static_cast<NativeWindow *>(w.native); }

core::Window *windowForXid(::Window xid) {
    auto it = g.windows.find(xid);
    return it == g.windows.end() ? nullptr : core::window(it->second);
}

unsigned long pixelFor(uint32_t rgb) {
    Visual *v = g.visual;
    auto scale = [](uint32_t c, unsigned long mask) {
        if (!mask) return 0ul;
        int shift = __builtin_ctzl(mask);
        unsigned long max = mask >> shift;
        return ((c * max + 127) / 255) << shift;
    };
    return scale((rgb >> 16) & 0xff, v->red_mask) | scale((rgb >> 8) & 0xff, v->green_mask) |
           scale(rgb & 0xff, v->blue_mask);
}

bool recreateWithVisual(core::Window &w, XVisualInfo *vi) {
    NativeWindow *n = native(w);
    ::Window old = n->xid;
    ::Window fresh = createXWindow(w, *n, vi->visual, vi->depth);
    if (!fresh) return false;
    for (core::Window *c : w.children) {
        NativeWindow *cn = native(*c);
        XReparentWindow(g.display, cn->xid, fresh, c->outer.left + c->frame.left, c->outer.top + c->frame.top);
    }
    g.windows.erase(old);
    g.windows[fresh] = w.handle();
    n->xid = fresh;
    n->mapped = false;
    if (!w.parent) setWmProperties(w, *n);
    if (w.visible) XMapWindow(g.display, fresh);
    XDestroyWindow(g.display, old);
    return true;
}

}  // namespace vela::x11

namespace {
// The trace on stdout must reach a pipe line by line, as it happens.
struct LineBufferedStdout {
    LineBufferedStdout() { setvbuf(stdout, nullptr, _IOLBF, 0); }
} lineBufferedStdout;
}  // namespace

std::unique_ptr<vela::core::Backend> vela::core::createDefaultBackend() {
    using namespace vela::x11;
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onIOError);
    g.display = XOpenDisplay(nullptr);
    if (!g.display) {
        const char *name = std::getenv("DISPLAY");
        // NOTE: Win32 always has a desktop; without an X server there is nothing to run on.
        std::fprintf(stderr, "x11: cannot open display \"%s\"%s\n", name ? name : "",
                     name ? "" : " (DISPLAY is not set)");
        std::exit(1);
    }
    g.screen = DefaultScreen(g.display);
    g.root = RootWindow(g.display, g.screen);
    g.visual = DefaultVisual(g.display, g.screen);
    g.depth = DefaultDepth(g.display, g.screen);
    g.gc = XCreateGC(g.display, g.root, 0, nullptr);
    g.wmProtocols = XInternAtom(g.display, "WM_PROTOCOLS", False);
    g.wmDeleteWindow = XInternAtom(g.display, "WM_DELETE_WINDOW", False);
    g.netWmPing = XInternAtom(g.display, "_NET_WM_PING", False);
    g.netWmName = XInternAtom(g.display, "_NET_WM_NAME", False);
    g.utf8String = XInternAtom(g.display, "UTF8_STRING", False);
    g.netWmPid = XInternAtom(g.display, "_NET_WM_PID", False);
    g.netWmWindowType = XInternAtom(g.display, "_NET_WM_WINDOW_TYPE", False);
    g.netWmWindowTypeDialog = XInternAtom(g.display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    return std::make_unique<X11Backend>();
}
