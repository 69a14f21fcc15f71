// Window classes, creation and destruction with Win32's message order, and window data.
//
// Supported: RegisterClassA/UnregisterClassA, CreateWindowExA (top-level, popup, child),
// DestroyWindow, IsWindow, ShowWindow, MoveWindow, Get/SetWindowLong(Ptr)A,
// Get/SetWindowTextA, GetClientRect, GetWindowRect, AdjustWindowRect, GetParent,
// GetDlgCtrlID, ScreenToClient, ClientToScreen, EnableWindow, GetSystemMetrics.
// Not supported: menus, scroll bars, window extra bytes beyond GWLP_USERDATA-style slots.
#include "core/state.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace vela::core {
namespace {

ClassRegistry &registry() { return state().classes; }

bool sameName(const std::string &a, const char *b) { return strcasecmp(a.c_str(), b) == 0; }

void collect(Window *w, std::vector<Window *> &out) {
    out.push_back(w);
    for (Window *c : w->children) collect(c, out);
}

}  // namespace

POINT Window::clientOrigin() const {
    POINT p{outer.left + frame.left, outer.top + frame.top};
    if (parent) {
        POINT q = parent->clientOrigin();
        p.x += q.x;
        p.y += q.y;
    }
    return p;
}

Window *Window::topLevel() {
    Window *w = this;
    while (w->parent) w = w->parent;
    return w;
}

RECT frameFor(DWORD style, bool child) {
    if (child) {
        bool border = (style & WS_BORDER) != 0;
        LONG b = border ? 1 : 0;
        return RECT{b, b, b, b};
    }
    if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME))
        return RECT{kFrameWidth, kCaptionHeight, kFrameWidth, kFrameWidth};
    if (style & (WS_BORDER | WS_DLGFRAME)) return RECT{1, 1, 1, 1};
    return RECT{0, 0, 0, 0};
}

POINT maxTrackSize() {
    return POINT{backend().screenWidth() + 2 * kFrameWidth, backend().screenHeight() + kCaptionHeight + kFrameWidth};
}

ATOM registerClass(const WindowClass &cls) {
    if (!cls.system) registerSystemClasses();  // so the built-in names stay taken
    ClassRegistry &r = registry();
    for (auto &c : r.classes) {
        if (sameName(c->name, cls.name.c_str()) && (c->system || c->instance == cls.instance)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    r.classes.push_back(std::make_unique<WindowClass>(cls));
    return r.nextAtom++;
}

const WindowClass *findClass(const char *name, HINSTANCE instance) {
    if (!name) return nullptr;
    registerSystemClasses();
    const WindowClass *fallback = nullptr;
    for (auto &c : registry().classes) {
        if (!sameName(c->name, name)) continue;
        if (c->system || c->instance == instance) return c.get();
        fallback = c.get();  // Win32 also finds classes registered by another module
    }
    return fallback;
}

Window *window(HWND hwnd) {
    Window *w = find<Window>(hwnd, ERROR_INVALID_WINDOW_HANDLE);
    return (w && !w->destroyed) ? w : nullptr;
}

std::vector<Window *> allWindows() {
    std::vector<Window *> out;
    for (Window *w : registry().topLevels) collect(w, out);
    return out;
}

Window *childAt(Window *w, POINT pt, POINT *childPt) {
    // Later siblings are on top.
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
        Window *c = *it;
        if (!c->visible || c->destroyed) continue;
        RECT r = c->outer;
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) {
            POINT inner{pt.x - r.left - c->frame.left, pt.y - r.top - c->frame.top};
            return childAt(c, inner, childPt);
        }
    }
    *childPt = pt;
    return w;
}

void geometryChanged(Window *w, int x, int y, int width, int height, bool always) {
    HWND h = w->handle();
    bool sized = width != w->clientWidth() || height != w->clientHeight();
    bool moved = x != w->outer.left + w->frame.left || y != w->outer.top + w->frame.top;
    w->outer = RECT{x - w->frame.left, y - w->frame.top, x + width + w->frame.right, y + height + w->frame.bottom};
    if (sized || always) {
        SendMessageA(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        if (!(w = window(h))) return;
    }
    if (moved || always) {
        SendMessageA(h, WM_MOVE, 0, MAKELPARAM(x, y));
        if (!(w = window(h))) return;
    }
    if (sized && w->cls && (w->cls->style & (CS_HREDRAW | CS_VREDRAW))) invalidate(w, nullptr, true);
}

}  // namespace vela::core

using namespace vela::core;

namespace {

void sendPosChanged(Window *w, UINT flags) {
    WINDOWPOS pos{w->handle(), nullptr, (int)w->outer.left, (int)w->outer.top,
                  (int)(w->outer.right - w->outer.left), (int)(w->outer.bottom - w->outer.top), flags};
    SendMessageA(w->handle(), WM_WINDOWPOSCHANGING, 0, (LPARAM)&pos);
    if (!window(pos.hwnd)) return;
    SendMessageA(w->handle(), WM_WINDOWPOSCHANGED, 0, (LPARAM)&pos);
}

void showNow(Window *w, bool show) {
    HWND h = w->handle();
    SendMessageA(h, WM_SHOWWINDOW, show, 0);
    if (!(w = window(h))) return;
    w->visible = show;
    backend().showWindow(*w, show);
    if (show) {
        // NOTE: no erase request here, unlike Win32: the first paint of a GL window would
        // be covered by the class brush the moment DefWindowProcA validates it.
        invalidate(w, nullptr, false);
        if (!w->parent && !(w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOACTIVATE)) {
            SendMessageA(h, WM_ACTIVATEAPP, TRUE, 0);
            if (!window(h)) return;
            SendMessageA(h, WM_NCACTIVATE, TRUE, 0);
            if (!window(h)) return;
            SendMessageA(h, WM_ACTIVATE, WA_ACTIVE, 0);
            if (!window(h)) return;
            SetFocus(h);
            if (!window(h)) return;
        }
    }
    sendPosChanged(w, show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
}

void destroyTree(Window *w) {
    HWND h = w->handle();
    if (w->destroyed) return;
    if (GetCapture() == h) ReleaseCapture();
    if (GetFocus() == h) SetFocus(nullptr);
    SendMessageA(h, WM_DESTROY, 0, 0);
    // Children are destroyed after their parent has seen WM_DESTROY.
    std::vector<Window *> kids = w->children;
    for (Window *c : kids) {
        if (window(c->handle())) destroyTree(c);
    }
    SendMessageA(h, WM_NCDESTROY, 0, 0);
    w->destroyed = true;
    backend().destroyWindow(*w);
    if (w->parent) {
        auto &sib = w->parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
    } else {
        auto &tops = registry().topLevels;
        tops.erase(std::remove(tops.begin(), tops.end(), w), tops.end());
    }
    removeObject(w->id);
}

LONG_PTR *windowSlot(Window *w, int index) {
    switch (index) {
    case GWLP_USERDATA: return &w->userData;
    case GWLP_ID: return &w->idOrMenu;
    default: break;
    }
    if (index >= 0 && (size_t)index / sizeof(LONG_PTR) < w->extra.size())
        return &w->extra[index / sizeof(LONG_PTR)];
    return nullptr;
}

}  // namespace

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA *wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || IS_INTRESOURCE(wc->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowClass cls;
    cls.name = wc->lpszClassName;
    cls.style = wc->style;
    cls.proc = wc->lpfnWndProc;
    cls.instance = wc->hInstance;
    cls.icon = wc->hIcon;
    cls.cursor = wc->hCursor;
    cls.background = wc->hbrBackground;
    cls.wndExtra = wc->cbWndExtra > 0 ? wc->cbWndExtra : 0;
    return registerClass(cls);
}

extern "C" BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE instance) {
    auto &classes = registry().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (!(*it)->system && (*it)->instance == instance && sameName((*it)->name, name)) {
            for (Window *w : allWindows())
                if (w->cls == it->get()) return FALSE;  // still in use
            classes.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
}

extern "C" HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parentHandle, HMENU menu, HINSTANCE instance,
                                       LPVOID param) {
    const WindowClass *cls = IS_INTRESOURCE(className) ? nullptr : findClass(className, instance);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window *parent = nullptr;
    if (parentHandle) {
        parent = window(parentHandle);
        if (!parent) return nullptr;
    } else if (style & WS_CHILD) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (!child) parent = nullptr;  // an owner, not a parent; ownership isn't modelled

    if (x == CW_USEDEFAULT) x = y = 100;
    if (width == CW_USEDEFAULT) width = 640, height = 480;
    width = std::max(width, 0);
    height = std::max(height, 0);

    auto owned = std::make_unique<Window>();
    Window *w = owned.get();
    w->cls = cls;
    w->proc = cls->proc;
    w->title = windowName ? windowName : "";
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->parent = parent;
    w->instance = instance;
    w->idOrMenu = child ? (LONG_PTR)menu : 0;
    w->extra.resize((cls->wndExtra + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR));
    w->frame = frameFor(style, child);
    w->outer = RECT{x, y, x + width, y + height};
    HWND h = toHandle<HWND>(addObject(std::move(owned)));
    // A window the display refuses never existed: no message reaches its procedure.
    if (!backend().createWindow(*w)) {
        DWORD why = GetLastError();
        removeObject(w->id);
        SetLastError(why);
        return nullptr;
    }
    if (parent)
        parent->children.push_back(w);
    else
        registry().topLevels.push_back(w);

    CREATESTRUCTA cs{param,     instance, menu,       parentHandle, height,     width,
                     y,         x,        (LONG)style, windowName,  className, exStyle};

    MINMAXINFO mmi{};
    mmi.ptMaxTrackSize = maxTrackSize();
    if (!child) SendMessageA(h, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
    if (!window(h)) return nullptr;
    if (!SendMessageA(h, WM_NCCREATE, 0, (LPARAM)&cs)) {
        if (window(h)) destroyTree(w);
        return nullptr;
    }
    if (!window(h)) return nullptr;
    NCCALCSIZE_PARAMS calc{};
    calc.rgrc[0] = w->outer;
    SendMessageA(h, WM_NCCALCSIZE, FALSE, (LPARAM)&calc.rgrc[0]);
    if (!window(h)) return nullptr;
    if (SendMessageA(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        if (window(h)) destroyTree(w);
        return nullptr;
    }
    if (!window(h)) return nullptr;

    if (style & WS_VISIBLE) {
        w->style |= WS_VISIBLE;
        showNow(w, true);
    } else {
        geometryChanged(w, w->outer.left + w->frame.left, w->outer.top + w->frame.top, w->clientWidth(),
                        w->clientHeight(), true);
    }
    return window(h) ? h : nullptr;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    if (w->visible) {
        w->visible = false;
        backend().showWindow(*w, false);
    }
    destroyTree(w);
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hwnd) {
    DWORD saved = GetLastError();
    bool ok = window(hwnd) != nullptr;
    SetLastError(saved);
    return ok;
}

extern "C" BOOL WINAPI IsWindowVisible(HWND hwnd) {
    for (Window *w = window(hwnd); w; w = w->parent)
        if (!w->visible) return FALSE;
    return window(hwnd) != nullptr;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    Window *w = window(hwnd);
    return w && w->enabled;
}

extern "C" BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    BOOL wasDisabled = !w->enabled;
    if (w->enabled != (enable != 0)) {
        w->enabled = enable != 0;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
        SendMessageA(hwnd, WM_ENABLE, enable, 0);
    }
    return wasDisabled;
}

extern "C" BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    BOOL was = w->visible;
    bool show = cmd != SW_HIDE;
    if (show != w->visible) {
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~WS_VISIBLE;
        showNow(w, show);
    }
    return was;
}

extern "C" BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    w->outer = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    backend().moveWindow(*w);
    sendPosChanged(w, 0);
    if (repaint && (w = window(hwnd))) invalidate(w, nullptr, true);
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window *w = window(hwnd);
    if (!w || !rect) {
        if (w) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = RECT{0, 0, std::max(w->clientWidth(), 0), std::max(w->clientHeight(), 0)};
    return TRUE;
}

extern "C" BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window *w = window(hwnd);
    if (!w || !rect) return FALSE;
    RECT r = w->outer;
    if (w->parent) {
        POINT o = w->parent->clientOrigin();
        r = RECT{r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
    }
    *rect = r;
    return TRUE;
}

extern "C" BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL) {
    if (!rect) return FALSE;
    RECT f = frameFor(style, (style & WS_CHILD) != 0);
    rect->left -= f.left;
    rect->top -= f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return TRUE;
}

extern "C" HWND WINAPI GetParent(HWND hwnd) {
    Window *w = window(hwnd);
    return (w && w->parent) ? w->parent->handle() : nullptr;
}

extern "C" int WINAPI GetDlgCtrlID(HWND hwnd) {
    Window *w = window(hwnd);
    return w && w->parent ? (int)w->idOrMenu : 0;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    return (BOOL)SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM)text);
}

extern "C" int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount) {
    if (!window(hwnd) || !buffer || maxCount <= 0) return 0;
    return (int)SendMessageA(hwnd, WM_GETTEXT, (WPARAM)maxCount, (LPARAM)buffer);
}

extern "C" LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index) {
    Window *w = window(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return (LONG_PTR)w->proc;
    case GWLP_HINSTANCE: return (LONG_PTR)w->instance;
    case GWLP_HWNDPARENT: return (LONG_PTR)(w->parent ? w->parent->handle() : nullptr);
    case GWL_STYLE: return (LONG_PTR)(w->style | (w->visible ? WS_VISIBLE : 0));
    case GWL_EXSTYLE: return (LONG_PTR)w->exStyle;
    default: break;
    }
    if (LONG_PTR *slot = windowSlot(w, index)) return *slot;
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    Window *w = window(hwnd);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (value) w->proc = (WNDPROC)value;
        return old;
    case GWL_STYLE: w->style = (DWORD)value & ~WS_VISIBLE; return old;
    case GWL_EXSTYLE: w->exStyle = (DWORD)value; return old;
    case GWLP_HINSTANCE: w->instance = (HINSTANCE)value; return old;
    default: break;
    }
    if (LONG_PTR *slot = windowSlot(w, index)) {
        *slot = value;
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

// Handles are 32-bit ids, so the 32-bit calls lose nothing.
extern "C" LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    return (LONG)GetWindowLongPtrA(hwnd, index);
}

extern "C" BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT pt) {
    Window *w = window(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = w->clientOrigin();
    pt->x -= o.x;
    pt->y -= o.y;
    return TRUE;
}

extern "C" BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT pt) {
    Window *w = window(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = w->clientOrigin();
    pt->x += o.x;
    pt->y += o.y;
    return TRUE;
}

extern "C" int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return backend().screenWidth();
    case SM_CYSCREEN: return backend().screenHeight();
    case SM_CXFRAME:
    case SM_CYFRAME: return kFrameWidth;
    case SM_CYCAPTION: return kCaptionHeight - kFrameWidth;
    default: return 0;
    }
}
