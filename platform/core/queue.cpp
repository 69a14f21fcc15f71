// The thread's message queue, the paint rule, input routing, focus and capture, and
// DefWindowProcA.
//
// Retrieval order, as Win32: posted messages, input messages, WM_QUIT, then WM_PAINT for
// a window whose update region is not empty. Consecutive mouse moves to one window are
// coalesced like Win32's, and many invalidations make one paint.
#include "core/state.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vela::core {
namespace {

Queue &queue() { return state().queue; }

bool matches(const MSG &m, HWND filter, UINT lo, UINT hi) {
    if (lo || hi) {
        if (m.message < lo || m.message > hi) return false;
    }
    if (!filter) return true;
    if (m.hwnd == filter) return true;
    // A filter window also takes its children's messages.
    for (Window *w = window(m.hwnd); w; w = w->parent)
        if (w->handle() == filter) return true;
    return false;
}

bool take(std::deque<MSG> &q, MSG *out, HWND filter, UINT lo, UINT hi, bool remove) {
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!matches(*it, filter, lo, hi)) continue;
        *out = *it;
        if (remove) q.erase(it);
        return true;
    }
    return false;
}

bool findPaint(MSG *out, HWND filter, UINT lo, UINT hi) {
    if ((lo || hi) && (WM_PAINT < lo || WM_PAINT > hi)) return false;
    for (Window *w : allWindows()) {
        if (!w->hasUpdate || w->destroyed) continue;
        MSG m{w->handle(), WM_PAINT, 0, 0, currentTime(), {}};
        if (!matches(m, filter, 0, 0)) continue;
        *out = m;
        return true;
    }
    return false;
}

bool nextMessage(MSG *msg, HWND filter, UINT lo, UINT hi, bool remove) {
    Queue &q = queue();
    if (take(q.posted, msg, filter, lo, hi, remove)) return true;
    if (take(q.input, msg, filter, lo, hi, remove)) return true;
    if (q.quit && (!(lo || hi) || (WM_QUIT >= lo && WM_QUIT <= hi))) {
        *msg = MSG{nullptr, WM_QUIT, (WPARAM)q.quitCode, 0, currentTime(), {}};
        if (remove) q.quit = false;
        return true;
    }
    return findPaint(msg, filter, lo, hi);
}

RECT clientRect(Window *w) { return RECT{0, 0, std::max(w->clientWidth(), 0), std::max(w->clientHeight(), 0)}; }

bool intersect(RECT &r, const RECT &clip) {
    r.left = std::max(r.left, clip.left);
    r.top = std::max(r.top, clip.top);
    r.right = std::min(r.right, clip.right);
    r.bottom = std::min(r.bottom, clip.bottom);
    return r.left < r.right && r.top < r.bottom;
}

UINT buttonOf(UINT msg) {
    switch (msg) {
    case WM_LBUTTONDOWN: return WM_LBUTTONDBLCLK;
    case WM_RBUTTONDOWN: return WM_RBUTTONDBLCLK;
    case WM_MBUTTONDOWN: return WM_MBUTTONDBLCLK;
    default: return 0;
    }
}

}  // namespace

DWORD currentTime() {
    using namespace std::chrono;
    return (DWORD)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int procDepth() { return queue().procDepth; }

LRESULT callProc(Window *w, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = w->proc;
    if (!proc) return 0;
    Queue &q = queue();
    ++q.procDepth;
    LRESULT r = proc(w->handle(), msg, wParam, lParam);
    --q.procDepth;
    return r;
}

void postInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Queue &q = queue();
    DWORD now = currentTime();
    if (msg == WM_MOUSEMOVE && !q.input.empty()) {
        MSG &last = q.input.back();
        if (last.message == WM_MOUSEMOVE && last.hwnd == hwnd && last.wParam == wParam) {
            last.lParam = lParam;
            last.time = now;
            return;
        }
    }
    q.input.push_back(MSG{hwnd, msg, wParam, lParam, now, {}});
}

void pointerEvent(Window *top, POINT pt, UINT msg, WPARAM keys, DWORD time) {
    Queue &q = queue();
    if (Window *cap = window(q.capture)) {
        // With capture, everything goes to the capturing window, outside or not.
        POINT origin = cap->clientOrigin(), topOrigin = top->clientOrigin();
        POINT local{pt.x + topOrigin.x - origin.x, pt.y + topOrigin.y - origin.y};
        postInput(cap->handle(), msg, keys, MAKELPARAM(local.x, local.y));
        return;
    }
    RECT client = clientRect(top);
    if (pt.x < client.left || pt.y < client.top || pt.x >= client.right || pt.y >= client.bottom)
        return;  // NOTE: X's implicit grab would deliver these; Win32 does not.
    POINT local;
    Window *target = childAt(top, pt, &local);
    // A disabled window (a message box's owner) disables its children too.
    for (Window *a = target; a; a = a->parent)
        if (!a->enabled) return;
    if (UINT dbl = buttonOf(msg)) {
        if (target->cls && (target->cls->style & CS_DBLCLKS) && target->lastClickMsg == msg &&
            time - target->lastClickTime <= 500 && std::abs(local.x - target->lastClickPt.x) <= 2 &&
            std::abs(local.y - target->lastClickPt.y) <= 2) {
            target->lastClickMsg = 0;
            msg = dbl;
        } else {
            target->lastClickMsg = msg;
            target->lastClickTime = time;
            target->lastClickPt = local;
        }
    }
    postInput(target->handle(), msg, keys, MAKELPARAM(local.x, local.y));
}

void keyEvent(Window *top, UINT msg, WPARAM vk, LPARAM lParam) {
    Window *target = top;
    if (Window *f = window(queue().focus)) {
        if (f->topLevel() == top) target = f;
    }
    if (target->enabled && top->enabled) postInput(target->handle(), msg, vk, lParam);
}

void invalidate(Window *w, const RECT *rect, bool erase) {
    RECT r = clientRect(w);
    if (rect) {
        RECT want = *rect;
        if (!intersect(want, r)) return;
        r = want;
    } else if (r.right <= 0 || r.bottom <= 0) {
        return;
    }
    if (w->hasUpdate) {
        w->update.left = std::min(w->update.left, r.left);
        w->update.top = std::min(w->update.top, r.top);
        w->update.right = std::max(w->update.right, r.right);
        w->update.bottom = std::max(w->update.bottom, r.bottom);
    } else {
        w->update = r;
        w->hasUpdate = true;
    }
    if (erase) w->eraseNeeded = true;
}

}  // namespace vela::core

using namespace vela::core;

extern "C" BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT removeMsg) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    collectGarbage();
    backend().pollEvents();
    if (!nextMessage(msg, hwnd, lo, hi, (removeMsg & PM_REMOVE) != 0)) return FALSE;
    return TRUE;
}

extern "C" BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hwnd && !window(hwnd)) return -1;
    collectGarbage();
    for (;;) {
        backend().pollEvents();
        if (nextMessage(msg, hwnd, lo, hi, true)) break;
        backend().waitEvents(-1);
    }
    return msg->message != WM_QUIT;
}

extern "C" BOOL WINAPI TranslateMessage(const MSG *msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    unsigned ch = backend().charForKey((UINT)msg->wParam, (UINT)((msg->lParam >> 16) & 0xff));
    if (!ch) return FALSE;
    UINT charMsg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // The character comes straight after its key, ahead of other queued input.
    queue().posted.push_front(MSG{msg->hwnd, charMsg, ch, msg->lParam, msg->time, msg->pt});
    return TRUE;
}

extern "C" LRESULT WINAPI DispatchMessageA(const MSG *msg) {
    if (!msg) return 0;
    if (!msg->hwnd) return 0;
    Window *w = window(msg->hwnd);
    if (!w) return 0;
    return callProc(w, msg->message, msg->wParam, msg->lParam);
}

extern "C" BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !window(hwnd)) return FALSE;
    queue().posted.push_back(MSG{hwnd, message, wParam, lParam, currentTime(), {}});
    return TRUE;
}

extern "C" LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = window(hwnd);
    if (!w) return 0;
    return callProc(w, message, wParam, lParam);
}

extern "C" LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    if (!proc) return 0;
    Queue &q = queue();
    ++q.procDepth;
    LRESULT r = proc(hwnd, message, wParam, lParam);
    --q.procDepth;
    return r;
}

extern "C" void WINAPI PostQuitMessage(int exitCode) {
    queue().quit = true;
    queue().quitCode = exitCode;
}

extern "C" BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase) {
    if (!hwnd) {
        // Win32 repaints every window then.
        for (Window *w : allWindows()) invalidate(w, rect, erase);
        return TRUE;
    }
    Window *w = window(hwnd);
    if (!w) return FALSE;
    invalidate(w, rect, erase != 0);
    return TRUE;
}

extern "C" BOOL WINAPI ValidateRect(HWND hwnd, const RECT *rect) {
    Window *w = window(hwnd);
    if (!w) return FALSE;
    if (!rect) {
        w->hasUpdate = false;
        w->eraseNeeded = false;
        return TRUE;
    }
    // The update region is kept as a rectangle: validating all of it empties it.
    if (w->hasUpdate && rect->left <= w->update.left && rect->top <= w->update.top &&
        rect->right >= w->update.right && rect->bottom >= w->update.bottom) {
        w->hasUpdate = false;
        w->eraseNeeded = false;
    }
    return TRUE;
}

extern "C" HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window *w = window(hwnd);
    if (!w || !ps) return nullptr;
    std::memset(ps, 0, sizeof *ps);
    HDC dc = GetDC(hwnd);
    ps->hdc = dc;
    ps->rcPaint = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    bool erase = w->hasUpdate && w->eraseNeeded;
    w->hasUpdate = false;
    w->eraseNeeded = false;
    if (erase) {
        // fErase tells the painter whether the background still needs erasing.
        ps->fErase = !SendMessageA(hwnd, WM_ERASEBKGND, (WPARAM)dc, 0);
    }
    return dc;
}

extern "C" BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *ps) {
    if (!ps) return FALSE;
    ReleaseDC(hwnd, ps->hdc);
    return TRUE;
}

extern "C" HWND WINAPI SetFocus(HWND hwnd) {
    Queue &q = queue();
    HWND old = window(q.focus) ? q.focus : nullptr;
    if (hwnd && !window(hwnd)) return nullptr;
    if (old == hwnd) return old;
    q.focus = hwnd;
    if (old) SendMessageA(old, WM_KILLFOCUS, (WPARAM)hwnd, 0);
    if (hwnd && window(hwnd) && q.focus == hwnd) {
        backend().setFocus(window(hwnd));
        SendMessageA(hwnd, WM_SETFOCUS, (WPARAM)old, 0);
    }
    return old;
}

extern "C" HWND WINAPI GetFocus(void) {
    Queue &q = queue();
    return window(q.focus) ? q.focus : nullptr;
}

extern "C" HWND WINAPI SetCapture(HWND hwnd) {
    Queue &q = queue();
    HWND old = window(q.capture) ? q.capture : nullptr;
    if (!window(hwnd)) return old;
    q.capture = hwnd;
    if (old && old != hwnd) SendMessageA(old, WM_CAPTURECHANGED, 0, (LPARAM)hwnd);
    return old;
}

extern "C" BOOL WINAPI ReleaseCapture(void) {
    Queue &q = queue();
    HWND old = window(q.capture) ? q.capture : nullptr;
    q.capture = nullptr;
    if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

extern "C" HWND WINAPI GetCapture(void) {
    Queue &q = queue();
    return window(q.capture) ? q.capture : nullptr;
}

extern "C" LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window *w = window(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: {
        auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs && cs->lpszName) w->title = cs->lpszName;
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = w->cls ? w->cls->background : nullptr;
        if (!brush) return 0;
        RECT r{0, 0, w->clientWidth(), w->clientHeight()};
        FillRect((HDC)wParam, &r, brush);
        return 1;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_WINDOWPOSCHANGED: {
        auto *pos = reinterpret_cast<const WINDOWPOS *>(lParam);
        if (!pos || !(pos->flags & SWP_HIDEWINDOW))
            geometryChanged(w, w->outer.left + w->frame.left, w->outer.top + w->frame.top, w->clientWidth(),
                            w->clientHeight(), true);
        return 0;
    }
    case WM_SETTEXT:
        w->title = lParam ? reinterpret_cast<const char *>(lParam) : "";
        backend().setTitle(*w);
        return TRUE;
    case WM_GETTEXT: {
        if (!wParam || !lParam) return 0;
        size_t n = std::min(w->title.size(), (size_t)wParam - 1);
        std::memcpy(reinterpret_cast<char *>(lParam), w->title.data(), n);
        reinterpret_cast<char *>(lParam)[n] = 0;
        return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: return (LRESULT)w->title.size();
    case WM_NCACTIVATE: return TRUE;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_SETCURSOR: return 0;
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_CREATE:
    default: return 0;
    }
}
