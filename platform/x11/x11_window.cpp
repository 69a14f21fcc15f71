// X11 backend: the connection, windows, and X events turned into the core's input.
//
// Supported:
//  - top-level, popup (override-redirect) and child windows; the X window is the client area
//  - title (WM_NAME and _NET_WM_NAME), WM_CLASS, position and size hints, _NET_WM_PID
//  - pointer motion and buttons (1-3, wheel 4/5) with Win32's routing; keys as virtual keys
//  - Expose as invalidation, WM_DELETE_WINDOW as SC_CLOSE, _NET_WM_PING answered
//  - size and position changes made by a window manager, clamped to what a window can be
//  - _NET_WM_WINDOW_TYPE_DIALOG for WS_EX_DLGMODALFRAME (message boxes)
//  - X protocol errors reported on stderr; a lost connection ends the process with status 1
// Not supported: mouse cursors, icons, IME input, focus changes made by the window manager.
#include "x11/x11_platform.h"

#include "core/codepage.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace vela::x11 {
namespace {

State *connected = nullptr;  // behind state(); null while no backend is connected

int onXError(Display *display, XErrorEvent *e) {
    // Another connection in the process may fail while none of ours is open.
    if (connected && state().trapDepth > 0) {
        if (!state().trappedError) state().trappedError = e->error_code;
        return 0;
    }
    char text[256] = "", request[256] = "";
    XGetErrorText(display, e->error_code, text, sizeof text);
    char code[32];
    std::snprintf(code, sizeof code, "%d", e->request_code);
    XGetErrorDatabaseText(display, "XRequest", code, code, request, sizeof request);
    std::fprintf(stderr, "x11: X error: %s (request %s, minor %d, resource 0x%lx)\n", text, request,
                 e->minor_code, e->resourceid);
    return 0;
}

// NOTE: Xlib gives no way back from here, so this is the one place the layer ends the process.
[[noreturn]] int onIOError(Display *) {
    std::fflush(stdout);
    std::fprintf(stderr, "x11: lost the connection to the X server\n");
    _exit(1);
}

// Event coordinates travel in 16 bits of an LPARAM.
LONG clampCoord(long v) { return (LONG)std::clamp(v, (long)SHRT_MIN, (long)SHRT_MAX); }

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
    *pt = POINT{clampCoord((long)x + o.x - t.x), clampCoord((long)y + o.y - t.y)};
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
        HWND target = GetFocus();
        if (!target || core::window(target)->topLevel() != top) target = top->handle();
        core::postInput(target, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta),
                        MAKELPARAM(clampCoord(e.x_root), clampCoord(e.y_root)));
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
    KeySym sym = XkbKeycodeToKeysym(state().display, (KeyCode)e.keycode, 0, 0);
    UINT vk = virtualKey(sym);
    if (!vk) return;
    LPARAM lp = 1 | ((LPARAM)(e.keycode & 0xff) << 16);
    if (!press) lp |= (LPARAM)3 << 30;
    core::keyEvent(w->topLevel(), press ? WM_KEYDOWN : WM_KEYUP, vk, lp);
}

void onClientMessage(const XClientMessageEvent &e) {
    // Any client may send these: check everything before acting.
    if (e.message_type != state().wmProtocols || e.format != 32) return;
    core::Window *w = windowForXid(e.window);
    if (!w || w->parent) return;
    Atom protocol = (Atom)e.data.l[0];
    if (protocol == state().wmDeleteWindow) {
        core::postInput(w->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (protocol == state().netWmPing && e.window != state().root) {
        XClientMessageEvent reply = e;
        reply.window = state().root;
        XSendEvent(state().display, state().root, False, SubstructureNotifyMask | SubstructureRedirectMask,
                   (XEvent *)&reply);
    }
}

void onConfigure(const XConfigureEvent &e) {
    core::Window *w = windowForXid(e.window);
    if (!w || w->parent) return;
    // Where a window manager put it: popups and boxes are placed in screen coordinates.
    POINT o = w->clientOrigin();
    int rx, ry;
    ::Window child;
    if (XTranslateCoordinates(state().display, e.window, state().root, 0, 0, &rx, &ry, &child))
        o = POINT{clampCoord(rx), clampCoord(ry)};
    // Anyone may send a ConfigureNotify: a size no window can have is cut to the largest one.
    POINT most = core::maxTrackSize();
    int width = std::clamp(e.width, 1, (int)most.x - w->frame.left - w->frame.right);
    int height = std::clamp(e.height, 1, (int)most.y - w->frame.top - w->frame.bottom);
    core::geometryChanged(w, o.x, o.y, width, height);
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
                XSetInputFocus(state().display, n->xid, RevertToParent, CurrentTime);
            }
        }
        break;
    case UnmapNotify:
        if (core::Window *w = windowForXid(ev.xunmap.window)) native(*w)->mapped = false;
        break;
    default: break;
    }
}

// A title as ICCCM's STRING (Latin-1) where it can be, else as UTF8_STRING.
void setTextProperty(::Window xid, Atom property, const std::string &utf8) {
    std::string latin1;
    bool fits = true;
    for (size_t i = 0; i < utf8.size() && fits; ++i) {
        auto c = (unsigned char)utf8[i];
        if (c < 0x80) {
            latin1 += (char)c;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            latin1 += (char)(((c & 0x03) << 6) | ((unsigned char)utf8[++i] & 0x3F));
        } else {
            fits = false;
        }
    }
    const std::string &text = fits ? latin1 : utf8;
    XChangeProperty(state().display, xid, property, fits ? XA_STRING : state().utf8String, 8, PropModeReplace,
                    (const unsigned char *)text.data(), (int)text.size());
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask;

void connectAtoms(State &s) {
    struct {
        Atom *atom;
        const char *name;
    } atoms[] = {{&s.wmProtocols, "WM_PROTOCOLS"},
                 {&s.wmDeleteWindow, "WM_DELETE_WINDOW"},
                 {&s.netWmPing, "_NET_WM_PING"},
                 {&s.netWmName, "_NET_WM_NAME"},
                 {&s.netWmIconName, "_NET_WM_ICON_NAME"},
                 {&s.utf8String, "UTF8_STRING"},
                 {&s.netWmPid, "_NET_WM_PID"},
                 {&s.netWmWindowType, "_NET_WM_WINDOW_TYPE"},
                 {&s.netWmWindowTypeDialog, "_NET_WM_WINDOW_TYPE_DIALOG"}};
    char *names[std::size(atoms)];
    Atom values[std::size(atoms)];
    for (size_t i = 0; i < std::size(atoms); ++i) names[i] = const_cast<char *>(atoms[i].name);
    // One round trip for all of them.
    XInternAtoms(s.display, names, (int)std::size(atoms), False, values);
    for (size_t i = 0; i < std::size(atoms); ++i) *atoms[i].atom = values[i];
}

}  // namespace

State &state() { return *connected; }

NativeWindow *native(core::Window &w) { return static_cast<NativeWindow *>(w.native); }

core::Window *windowForXid(::Window xid) {
    auto it = state().windows.find(xid);
    return it == state().windows.end() ? nullptr : core::window(it->second);
}

unsigned long pixelFor(uint32_t rgb) {
    Visual *v = state().visual;
    auto scale = [](uint32_t c, unsigned long mask) {
        if (!mask) return 0ul;
        int shift = __builtin_ctzl(mask);
        unsigned long max = mask >> shift;
        return ((c * max + 127) / 255) << shift;
    };
    return scale((rgb >> 16) & 0xff, v->red_mask) | scale((rgb >> 8) & 0xff, v->green_mask) |
           scale(rgb & 0xff, v->blue_mask);
}

ErrorTrap::ErrorTrap() {
    if (state().trapDepth++ == 0) state().trappedError = 0;
}

ErrorTrap::~ErrorTrap() {
    sync();
    --state().trapDepth;
}

int ErrorTrap::sync() {
    XSync(state().display, False);
    return state().trappedError;
}

void setWmProperties(core::Window &w, NativeWindow &n) {
    std::string name = core::ansiToUtf8(w.title);
    setTextProperty(n.xid, XA_WM_NAME, name);
    setTextProperty(n.xid, XA_WM_ICON_NAME, name);
    for (Atom a : {state().netWmName, state().netWmIconName})
        XChangeProperty(state().display, n.xid, a, state().utf8String, 8, PropModeReplace, (const unsigned char *)name.data(),
                        (int)name.size());
    XSizeHints size{};
    size.flags = PPosition | USPosition | PSize;
    size.x = w.outer.left + w.frame.left;
    size.y = w.outer.top + w.frame.top;
    size.width = std::max(w.clientWidth(), 1);
    size.height = std::max(w.clientHeight(), 1);
    XSetWMNormalHints(state().display, n.xid, &size);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(state().display, n.xid, &hints);
    std::string resName = w.cls ? w.cls->name : "vela";
    XClassHint cls{resName.data(), const_cast<char *>("Vela")};
    XSetClassHint(state().display, n.xid, &cls);
    Atom protocols[] = {state().wmDeleteWindow, state().netWmPing};
    XSetWMProtocols(state().display, n.xid, protocols, 2);
    long pid = getpid();
    XChangeProperty(state().display, n.xid, state().netWmPid, XA_CARDINAL, 32, PropModeReplace, (const unsigned char *)&pid,
                    1);
    if (w.exStyle & WS_EX_DLGMODALFRAME)
        XChangeProperty(state().display, n.xid, state().netWmWindowType, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char *)&state().netWmWindowTypeDialog, 1);
}

::Window createXWindow(core::Window &w, NativeWindow &n, Visual *visual, int depth) {
    // A child's position is in its parent's client area, which is the parent's X window.
    ::Window parent = w.parent ? native(*w.parent)->xid : state().root;
    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWColormap | CWBackPixmap;
    a.event_mask = kEventMask;
    a.border_pixel = 0;
    a.background_pixmap = None;
    n.colormap = (visual == state().visual) ? DefaultColormap(state().display, state().screen)
                                       : XCreateColormap(state().display, state().root, visual, AllocNone);
    a.colormap = n.colormap;
    bool popup = !w.parent && (w.style & WS_POPUP) && (w.style & WS_CAPTION) != WS_CAPTION;
    if (popup) {
        a.override_redirect = True;
        mask |= CWOverrideRedirect;
    }
    n.visual = visual;
    n.depth = depth;
    return XCreateWindow(state().display, parent, w.outer.left + w.frame.left, w.outer.top + w.frame.top,
                         (unsigned)std::max(w.clientWidth(), 1), (unsigned)std::max(w.clientHeight(), 1), 0, depth,
                         InputOutput, visual, mask, &a);
}

std::unique_ptr<core::Backend> connect() {
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onIOError);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        const char *name = std::getenv("DISPLAY");
        // NOTE: Win32 always has a desktop; without an X server there is nothing to show on.
        core::setLayerError(core::kErrorNoDisplay, name && *name ? "cannot open the X display '" + std::string(name) + "'"
                                                                 : std::string("cannot open an X display: DISPLAY is not set"));
        return nullptr;
    }
    return std::make_unique<X11Backend>(display);
}

X11Backend::X11Backend(Display *display) {
    connected = &state_;
    State &s = state();
    s.display = display;
    s.screen = DefaultScreen(display);
    s.root = RootWindow(display, s.screen);
    s.visual = DefaultVisual(display, s.screen);
    s.depth = DefaultDepth(display, s.screen);
    s.gc = XCreateGC(display, s.root, 0, nullptr);
    connectAtoms(s);
}

X11Backend::~X11Backend() {
    closeFonts();
    glXMakeContextCurrent(state().display, None, None, nullptr);
    XFreeGC(state().display, state().gc);
    XCloseDisplay(state().display);
    connected = nullptr;
}

bool X11Backend::createWindow(core::Window &w) {
    auto n = std::make_unique<NativeWindow>();
    n->xid = createXWindow(w, *n, state().visual, state().depth);
    if (!n->xid) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return false;
    }
    state().windows[n->xid] = w.handle();
    w.native = n.get();
    if (!w.parent) setWmProperties(w, *n);
    state().natives[w.handle()] = std::move(n);
    return true;
}

void X11Backend::destroyWindow(core::Window &w) {
    NativeWindow *n = native(w);
    if (!n) return;
    if (n->glxWindow) glXDestroyWindow(state().display, n->glxWindow);
    state().windows.erase(n->xid);
    // A destroyed parent's X window takes its children's with it.
    if (!w.parent || core::window(w.parent->handle())) XDestroyWindow(state().display, n->xid);
    w.native = nullptr;
    state().natives.erase(w.handle());
}

void X11Backend::showWindow(core::Window &w, bool show) {
    NativeWindow *n = native(w);
    if (!n) return;
    if (show)
        XMapWindow(state().display, n->xid);
    else
        XUnmapWindow(state().display, n->xid);
}

void X11Backend::setTitle(core::Window &w) {
    if (NativeWindow *n = native(w); n && !w.parent) setWmProperties(w, *n);
}

void X11Backend::moveWindow(core::Window &w) {
    NativeWindow *n = native(w);
    if (!n) return;
    XMoveResizeWindow(state().display, n->xid, w.outer.left + w.frame.left, w.outer.top + w.frame.top,
                      (unsigned)std::max(w.clientWidth(), 1), (unsigned)std::max(w.clientHeight(), 1));
}

void X11Backend::setFocus(core::Window *w) {
    if (!w) return;
    NativeWindow *n = native(*w->topLevel());
    if (!n) return;
    if (n->mapped)
        XSetInputFocus(state().display, n->xid, RevertToParent, CurrentTime);
    else
        n->focusWhenMapped = true;
}

void X11Backend::grabPointer(core::Window *popup) {
    if (!popup) {
        XUngrabPointer(state().display, CurrentTime);
        return;
    }
    NativeWindow *n = native(*popup);
    if (!n) return;
    // owner_events: our own windows still get their events; the rest come to the popup.
    int r = XGrabPointer(state().display, n->xid, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                         GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (r != GrabSuccess)
        std::fprintf(stderr, "x11: XGrabPointer for a popup failed (status %d): clicks outside the window "
                             "won't close it\n", r);
}

void X11Backend::pollEvents() {
    while (XPending(state().display)) {
        XEvent ev;
        XNextEvent(state().display, &ev);
        handleEvent(ev);
    }
}

void X11Backend::waitEvents(int timeoutMs) {
    XFlush(state().display);
    if (XPending(state().display)) return;
    pollfd p{ConnectionNumber(state().display), POLLIN, 0};
    poll(&p, 1, timeoutMs);
}

unsigned X11Backend::charForKey(UINT vk, UINT scanCode) {
    switch (vk) {
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1b;
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    default: break;
    }
    char keys[32];
    XQueryKeymap(state().display, keys);
    auto down = [&](KeySym s) {
        KeyCode c = XKeysymToKeycode(state().display, s);
        return c && (keys[c / 8] & (1 << (c % 8)));
    };
    bool shift = down(XK_Shift_L) || down(XK_Shift_R);
    KeySym sym = XkbKeycodeToKeysym(state().display, (KeyCode)scanCode, 0, shift ? 1 : 0);
    return (sym >= 0x20 && sym <= 0xff) ? (unsigned)sym : 0;
}

int X11Backend::screenWidth() { return DisplayWidth(state().display, state().screen); }
int X11Backend::screenHeight() { return DisplayHeight(state().display, state().screen); }

int X11Backend::screenDepthBits() {
    int count = 0, bits = state().depth;
    if (XPixmapFormatValues *f = XListPixmapFormats(state().display, &count)) {
        for (int i = 0; i < count; ++i)
            if (f[i].depth == state().depth) bits = f[i].bits_per_pixel;
        XFree(f);
    }
    return bits;
}

void X11Backend::fillRect(core::Window &w, const RECT &r, uint32_t rgb) {
    NativeWindow *n = native(w);
    if (!n || r.right <= r.left || r.bottom <= r.top) return;
    XSetForeground(state().display, state().gc, pixelFor(rgb));
    XFillRectangle(state().display, n->xid, state().gc, r.left, r.top, (unsigned)(r.right - r.left),
                   (unsigned)(r.bottom - r.top));
}

}  // namespace vela::x11

// Linking the x11 backend makes it the program's display, chosen before main runs; it
// connects when the program first needs the display.
extern "C" const bool vela_x11_selected = (vela::core::selectBackend(vela::x11::connect), true);
