// The Win32 semantics of platform/core, without a display.
#include "test_backend.h"
#include <windowsx.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vela::test::recorder;


namespace {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> seen;
LRESULT (*reaction)(HWND, UINT, WPARAM, LPARAM) = nullptr;

LRESULT CALLBACK recordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    seen.push_back({h, m, w, l});
    if (reaction) {
        LRESULT r = reaction(h, m, w, l);
        if (r != 12345) return r;
    }
    return DefWindowProcA(h, m, w, l);
}

class Core : public ::testing::Test {
protected:
    void SetUp() override {
        vela::test::freshCore();
        HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
        ASSERT_TRUE(vela::test::registerTestClass("rec", recordingProc, 0, white));
        ASSERT_TRUE(vela::test::registerTestClass("dbl", recordingProc, CS_DBLCLKS, white));
        drain();
        seen.clear();
        reaction = nullptr;
    }
    void TearDown() override {
        reaction = nullptr;
        for (HWND h : made)
            if (IsWindow(h)) DestroyWindow(h);
        made.clear();
        drain();
    }
    HWND make(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, HWND parent = nullptr, const char *cls = "rec",
              int x = 100, int y = 100, int w = 1024, int h = 650) {
        HWND hwnd = CreateWindowExA(0, cls, "t", style, x, y, w, h, parent, (HMENU)(INT_PTR)(parent ? 7 : 0),
                                    GetModuleHandleA(nullptr), nullptr);
        if (hwnd && !parent) made.push_back(hwnd);
        return hwnd;
    }
    static void drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
        }
    }
    static std::vector<UINT> messages(HWND h) {
        std::vector<UINT> out;
        for (auto &s : seen)
            if (s.hwnd == h) out.push_back(s.msg);
        return out;
    }
    static bool saw(UINT msg) {
        for (auto &s : seen)
            if (s.msg == msg) return true;
        return false;
    }
    std::vector<HWND> made;
};

size_t indexOf(const std::vector<UINT> &v, UINT m) {
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] == m) return i;
    return SIZE_MAX;
}

TEST_F(Core, CreationMessagesComeInWin32OrderBeforeCreateReturns) {
    HWND h = make();
    ASSERT_NE(h, nullptr);
    auto m = messages(h);
    size_t nc = indexOf(m, WM_NCCREATE), cr = indexOf(m, WM_CREATE), show = indexOf(m, WM_SHOWWINDOW),
           size = indexOf(m, WM_SIZE), move = indexOf(m, WM_MOVE);
    ASSERT_NE(nc, SIZE_MAX);
    ASSERT_NE(cr, SIZE_MAX);
    ASSERT_NE(show, SIZE_MAX);
    ASSERT_NE(size, SIZE_MAX);
    EXPECT_LT(indexOf(m, WM_GETMINMAXINFO), nc);
    EXPECT_LT(nc, cr);
    EXPECT_LT(cr, show);
    EXPECT_LT(show, size);
    EXPECT_LT(size, move);
    EXPECT_EQ(indexOf(m, WM_PAINT), SIZE_MAX) << "no paint is sent during creation";
    // The size message carries the client size: the outer size less frame and caption.
    for (auto &s : seen)
        if (s.hwnd == h && s.msg == WM_SIZE) {
            EXPECT_EQ(LOWORD(s.lParam), 1008);
            EXPECT_EQ(HIWORD(s.lParam), 611);
        }
}

TEST_F(Core, InvisibleWindowGetsSizeAndMoveButNoShow) {
    HWND h = make(WS_OVERLAPPEDWINDOW);
    auto m = messages(h);
    EXPECT_EQ(indexOf(m, WM_SHOWWINDOW), SIZE_MAX);
    EXPECT_LT(indexOf(m, WM_CREATE), indexOf(m, WM_SIZE));
    EXPECT_NE(indexOf(m, WM_MOVE), SIZE_MAX);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "a hidden window is not painted";
}

TEST_F(Core, CreateFailsForUnknownClassOrRefusedCreate) {
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "no such class", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);

    reaction = [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_CREATE ? -1 : 12345; };
    HWND h = make();
    EXPECT_EQ(h, nullptr);
    EXPECT_TRUE(saw(WM_DESTROY)) << "a refused window is destroyed";
}

TEST_F(Core, ClientAreaAndWindowRect) {
    HWND h = make();
    RECT r;
    ASSERT_TRUE(GetClientRect(h, &r));
    EXPECT_EQ(r.right, 1008);
    EXPECT_EQ(r.bottom, 611);
    ASSERT_TRUE(GetWindowRect(h, &r));
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right, 1124);
    EXPECT_EQ(r.bottom, 750);
    POINT p{0, 0};
    ClientToScreen(h, &p);
    EXPECT_EQ(p.x, 108);
    EXPECT_EQ(p.y, 131);
}

// Where the display says a window now is (a window manager moved or resized it): only
// what changed is sent, and only a CS_HREDRAW/CS_VREDRAW window is repainted for a new size.
TEST_F(Core, GeometryFromTheDisplaySendsWhatChanged) {
    ASSERT_TRUE(vela::test::registerTestClass("redraw", recordingProc, CS_HREDRAW | CS_VREDRAW,
                                              (HBRUSH)GetStockObject(WHITE_BRUSH)));
    for (const char *cls : {"rec", "redraw"}) {
        SCOPED_TRACE(cls);
        HWND h = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, cls);
        vela::core::Window *w = vela::core::window(h);
        drain();
        seen.clear();
        vela::core::geometryChanged(w, 108, 131, 1008, 611);
        EXPECT_TRUE(messages(h).empty()) << "nothing changed";
        vela::core::geometryChanged(w, 208, 131, 1008, 611);
        EXPECT_EQ(messages(h), std::vector<UINT>{WM_MOVE});
        EXPECT_EQ(seen.back().lParam, MAKELPARAM(208, 131));
        seen.clear();
        vela::core::geometryChanged(w, 208, 131, 500, 300);
        EXPECT_EQ(messages(h), std::vector<UINT>{WM_SIZE});
        EXPECT_EQ(seen.back().lParam, MAKELPARAM(500, 300));
        RECT r;
        ASSERT_TRUE(GetWindowRect(h, &r));
        EXPECT_EQ(r.left, 200);
        EXPECT_EQ(r.top, 100);
        EXPECT_EQ(r.right, 716);
        EXPECT_EQ(r.bottom, 439);
        MSG m;
        EXPECT_EQ(PeekMessageA(&m, h, WM_PAINT, WM_PAINT, PM_REMOVE), std::string(cls) == "redraw");
    }
}

TEST_F(Core, ManyInvalidationsMakeOnePaintWithoutErase) {
    HWND h = make();
    drain();
    seen.clear();
    for (int i = 0; i < 5; ++i) InvalidateRect(h, nullptr, FALSE);
    MSG m;
    int paints = 0;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_PAINT) ++paints;
        DispatchMessageA(&m);  // DefWindowProcA validates
    }
    EXPECT_EQ(paints, 1);
    EXPECT_FALSE(saw(WM_ERASEBKGND));
    EXPECT_TRUE(recorder().calls.empty() || recorder().calls.back().rfind("fill", 0) != 0);
}

TEST_F(Core, EraseRequestFillsWithClassBrush) {
    HWND h = make();
    drain();
    recorder().calls.clear();
    InvalidateRect(h, nullptr, TRUE);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    DispatchMessageA(&m);
    EXPECT_TRUE(saw(WM_ERASEBKGND));
    ASSERT_FALSE(recorder().calls.empty());
    EXPECT_EQ(recorder().calls.back(), "fill 1008x611 16777215");
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "validated";
}

TEST_F(Core, PaintOnlyWhenNothingElseWaits) {
    HWND h = make();
    drain();
    InvalidateRect(h, nullptr, FALSE);
    PostMessageA(h, WM_USER + 1, 0, 0);
    vela::core::postInput(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_MOUSEMOVE);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    // A paint that isn't validated comes again, as on Win32.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    ValidateRect(h, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Core, QuitEndsGetMessageWhateverTheCode) {
    PostQuitMessage(42);
    MSG m;
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, (WPARAM)42);
    // Posted messages still come first.
    HWND h = make();
    drain();
    PostQuitMessage(0);
    PostMessageA(h, WM_USER, 1, 2);
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, (UINT)WM_USER);
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
}

TEST_F(Core, CloseDestroysAndDestroyPostsNothingByItself) {
    HWND h = make();
    HWND child = make(WS_CHILD | WS_VISIBLE, h, "rec", 0, 0, 50, 20);
    ASSERT_NE(child, nullptr);
    seen.clear();
    SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(IsWindow(child));
    auto parentMsgs = messages(h), childMsgs = messages(child);
    EXPECT_NE(indexOf(parentMsgs, WM_CLOSE), SIZE_MAX);
    EXPECT_LT(indexOf(parentMsgs, WM_DESTROY), indexOf(parentMsgs, WM_NCDESTROY));
    EXPECT_NE(indexOf(childMsgs, WM_DESTROY), SIZE_MAX);
    // Parent's WM_DESTROY before the child's.
    size_t parentDestroy = SIZE_MAX, childDestroy = SIZE_MAX;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].msg != WM_DESTROY) continue;
        if (seen[i].hwnd == h) parentDestroy = i;
        if (seen[i].hwnd == child) childDestroy = i;
    }
    EXPECT_LT(parentDestroy, childDestroy);
}

TEST_F(Core, BadHandlesFailTheWin32Way) {
    HWND h = make();
    DestroyWindow(h);
    HWND bogus[] = {nullptr, h, (HWND)(uintptr_t)0xdeadbeef, (HWND)GetStockObject(WHITE_BRUSH),
                    (HWND)(uintptr_t)UINT64_MAX};
    for (HWND b : bogus) {
        SetLastError(0);
        RECT r;
        EXPECT_FALSE(GetClientRect(b, &r));
        EXPECT_FALSE(IsWindow(b));
        EXPECT_EQ(SendMessageA(b, WM_USER, 0, 0), 0);
        EXPECT_FALSE(InvalidateRect(b, nullptr, FALSE) && b != nullptr);
        EXPECT_FALSE(DestroyWindow(b));
        EXPECT_EQ(GetDC(b), nullptr);
        EXPECT_EQ(GetWindowLongA(b, GWL_HINSTANCE), 0);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    }
    EXPECT_FALSE(ReleaseDC(nullptr, (HDC)h));
    EXPECT_EQ(FillRect((HDC)(uintptr_t)99, nullptr, nullptr), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageA((MSG *)&seen, h, 0, 0), -1) << "filter on a destroyed window";
}

TEST_F(Core, WindowLongsAndInstance) {
    HWND h = make();
    EXPECT_EQ((HINSTANCE)(LONG_PTR)GetWindowLongA(h, GWL_HINSTANCE), GetModuleHandleA(nullptr));
    EXPECT_EQ((HINSTANCE)GetWindowLongPtrA(h, GWLP_HINSTANCE), GetModuleHandleA(nullptr));
    EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 77), 0);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 77);
    EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
    HWND child = make(WS_CHILD | WS_VISIBLE, h, "rec", 0, 0, 50, 20);
    EXPECT_EQ(GetDlgCtrlID(child), 7);
    EXPECT_EQ(GetParent(child), h);
}

TEST_F(Core, MouseLParamPacksClientCoordinates) {
    HWND h = make();
    drain();
    vela::core::Window *w = vela::core::window(h);
    vela::core::pointerEvent(w, POINT{10, 20}, WM_LBUTTONDOWN, MK_LBUTTON, 1000);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_LBUTTONDOWN);
    EXPECT_EQ(m.lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(LOWORD(m.lParam), 10);
    EXPECT_EQ(HIWORD(m.lParam), 20);
    EXPECT_EQ(m.wParam, (WPARAM)MK_LBUTTON);
}

TEST_F(Core, PointerOutsideIsDroppedUnlessCaptured) {
    HWND h = make();
    drain();
    vela::core::Window *w = vela::core::window(h);
    MSG m;
    for (POINT p : {POINT{-1, 5}, POINT{5, -1}, POINT{1008, 5}, POINT{5, 611}, POINT{5000, 5000}}) {
        vela::core::pointerEvent(w, p, WM_MOUSEMOVE, MK_LBUTTON, 1);
        vela::core::pointerEvent(w, p, WM_LBUTTONUP, 0, 1);
        EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << p.x << "," << p.y;
    }
    SetCapture(h);
    vela::core::pointerEvent(w, POINT{-30, 700}, WM_LBUTTONUP, 0, 1);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -30);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 700);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Core, EventsOverAChildGoToTheChildOnly) {
    HWND h = make();
    HWND child = make(WS_CHILD | WS_VISIBLE, h, "rec", 0, 0, 300, 23);
    drain();
    vela::core::Window *w = vela::core::window(h);
    vela::core::pointerEvent(w, POINT{299, 22}, WM_LBUTTONDOWN, MK_LBUTTON, 1);
    vela::core::pointerEvent(w, POINT{300, 22}, WM_LBUTTONUP, 0, 2);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, child);
    EXPECT_EQ(m.lParam, MAKELPARAM(299, 22));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, h);
    EXPECT_EQ(m.lParam, MAKELPARAM(300, 22));
}

TEST_F(Core, DoubleClicksOnlyWithClassStyle) {
    for (const char *cls : {"rec", "dbl"}) {
        HWND h = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, cls);
        drain();
        vela::core::Window *w = vela::core::window(h);
        vela::core::pointerEvent(w, POINT{50, 50}, WM_LBUTTONDOWN, MK_LBUTTON, 5000);
        vela::core::pointerEvent(w, POINT{50, 50}, WM_LBUTTONUP, 0, 5010);
        vela::core::pointerEvent(w, POINT{50, 50}, WM_LBUTTONDOWN, MK_LBUTTON, 5100);
        std::vector<UINT> got;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message != WM_PAINT) got.push_back(m.message);
        UINT second = std::string(cls) == "dbl" ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        EXPECT_EQ(got, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, second})) << cls;
    }
}

TEST_F(Core, MouseMovesCoalesceButButtonsKeepOrder) {
    HWND h = make();
    drain();
    vela::core::Window *w = vela::core::window(h);
    vela::core::pointerEvent(w, POINT{1, 1}, WM_MOUSEMOVE, 0, 1);
    vela::core::pointerEvent(w, POINT{2, 2}, WM_MOUSEMOVE, 0, 2);
    vela::core::pointerEvent(w, POINT{3, 3}, WM_LBUTTONDOWN, MK_LBUTTON, 3);
    vela::core::pointerEvent(w, POINT{4, 4}, WM_MOUSEMOVE, MK_LBUTTON, 4);
    vela::core::pointerEvent(w, POINT{5, 5}, WM_MOUSEMOVE, MK_LBUTTON, 5);
    std::vector<std::pair<UINT, LPARAM>> got;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) got.push_back({m.message, m.lParam});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], std::make_pair((UINT)WM_MOUSEMOVE, MAKELPARAM(2, 2)));
    EXPECT_EQ(got[1], std::make_pair((UINT)WM_LBUTTONDOWN, MAKELPARAM(3, 3)));
    EXPECT_EQ(got[2], std::make_pair((UINT)WM_MOUSEMOVE, MAKELPARAM(5, 5)));
}

TEST_F(Core, KeysGoToFocusAndTranslateMakesChars) {
    HWND h = make();
    HWND child = make(WS_CHILD | WS_VISIBLE, h, "rec", 0, 0, 30, 30);
    drain();
    SetFocus(child);
    vela::core::keyEvent(vela::core::window(h), WM_KEYDOWN, 'Q', 1);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, child);
    EXPECT_TRUE(TranslateMessage(&m));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_CHAR);
    EXPECT_EQ(m.wParam, (WPARAM)'q');
}

TEST_F(Core, DestroyInsideOwnProcedureIsSafe) {
    HWND h = make();
    drain();
    reaction = [](HWND hw, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            DestroyWindow(hw);
            // The window is gone for every later call, but this frame must not crash.
            EXPECT_FALSE(IsWindow(hw));
            return 1;
        }
        return 12345;
    };
    PostMessageA(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(&m), 1);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
}

TEST_F(Core, StockObjectsAndModule) {
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
    // Handles are small ids: printable with %d.
    EXPECT_LT((uintptr_t)GetModuleHandleA(nullptr), (uintptr_t)INT32_MAX);
}

}  // namespace
