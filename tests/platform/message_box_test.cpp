// MessageBoxA without a display: the layout of its text and buttons, how it is answered,
// and its modal loop (other windows' messages, nesting, WM_QUIT).
#include "test_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace vela;
using vela::test::recorder;

namespace {

// ---- Layout -------------------------------------------------------------------------------

core::MessageBoxState layout(const std::string &text, UINT type = MB_OK, int maxWidth = 800, int maxHeight = 900,
                             SIZE *size = nullptr) {
    vela::test::freshCore();
    core::MessageBoxState box;
    SIZE s;
    core::layoutMessageBox(box, text, "caption", type, maxWidth, maxHeight, &s);
    if (size) *size = s;
    return box;
}

TEST(MessageBoxLayout, LinesButtonsAndSize) {
    SIZE size;
    core::MessageBoxState box = layout("first line\r\nsecond\tline\nthird", MB_OK, 800, 900, &size);
    EXPECT_EQ(box.lines, (std::vector<std::string>{"first line", "second    line", "third"}));
    EXPECT_EQ(size.cy, core::kMsgTextTop * 2 + 3 * 16 + core::kMsgBandHeight);
    EXPECT_GE(size.cx, core::kMsgTextLeft * 2 + 7 * 14) << "the widest line fits";
    ASSERT_EQ(box.buttons.size(), 1u);
    const RECT &ok = box.buttons[0].rect;
    EXPECT_EQ(box.buttons[0].label, "OK");
    EXPECT_EQ(ok.right, size.cx - core::kMsgMargin) << "right-aligned";
    EXPECT_GE(ok.top, box.bandTop);
    EXPECT_LE(ok.bottom, size.cy);
    EXPECT_EQ(box.cancelId, IDOK) << "Escape answers a lone OK";

    box = layout("x", MB_YESNOCANCEL | MB_DEFBUTTON2, 800, 900, &size);
    ASSERT_EQ(box.buttons.size(), 3u);
    EXPECT_EQ(box.buttons[0].id, IDYES);
    EXPECT_EQ(box.buttons[2].id, IDCANCEL);
    EXPECT_EQ(box.focus, 1);
    EXPECT_LT(box.buttons[0].rect.right, box.buttons[1].rect.left);
    EXPECT_GE(box.buttons[0].rect.left, core::kMsgMargin) << "the box is wide enough for its buttons";
    EXPECT_EQ(layout("x", MB_YESNO).cancelId, 0) << "no Cancel, no Escape";
}

TEST(MessageBoxLayout, WrapsLongLinesAndCutsWhatTheScreenCantHold) {
    // 7 px a character: 200 px minus the margins hold 21 characters.
    core::MessageBoxState box = layout("aaaa bbbb cccc dddd eeee ffff", MB_OK, 200);
    EXPECT_EQ(box.lines, (std::vector<std::string>{"aaaa bbbb cccc dddd", "eeee ffff"}));
    std::string kana;
    for (int i = 0; i < 30; ++i) kana += "\xE3\x81\x82";  // "あ" x 30, no spaces
    box = layout(kana, MB_OK, 200);
    ASSERT_EQ(box.lines.size(), 2u);
    EXPECT_EQ(box.lines[0].size(), 21u * 3) << "cut between characters, never inside one";
    EXPECT_EQ(box.lines[1].size(), 9u * 3);

    std::string many;
    for (int i = 0; i < 500; ++i) many += "line\n";
    SIZE size;
    box = layout(many, MB_OK, 800, 400, &size);
    EXPECT_LE(size.cy, 400);
    ASSERT_FALSE(box.lines.empty());
    EXPECT_EQ(box.lines.back().substr(box.lines.back().size() - 3), "\xE2\x80\xA6") << "an ellipsis shows the cut";
}

// ---- The box and its loop -----------------------------------------------------------------

// Answers each message box as it appears, in order, through the core's input.
struct Answers {
    std::vector<std::function<void(HWND)>> steps;
    std::vector<HWND> seen;
    std::vector<RECT> rects;
    std::vector<std::string> titles;
    int idle = 0;

    void install() {
        recorder().onPoll = [this] { poll(); };
    }
    void poll() {
        for (core::Window *w : core::allWindows()) {
            if (!w->visible || w->cls->name != "#32770") continue;
            if (std::find(seen.begin(), seen.end(), w->handle()) != seen.end()) continue;
            seen.push_back(w->handle());
            RECT r;
            GetWindowRect(w->handle(), &r);
            rects.push_back(r);
            titles.push_back(w->title);
            idle = 0;
            size_t i = seen.size() - 1;
            if (i < steps.size()) steps[i](w->handle());
            return;
        }
        // A box nobody answers would hang the test: end it.
        if (++idle > 20000) {
            ADD_FAILURE() << "a message box was left open";
            idle = 0;
            PostQuitMessage(99);
        }
    }
    ~Answers() { recorder().onPoll = nullptr; }
};

void key(HWND box, UINT vk) { core::keyEvent(core::window(box), WM_KEYDOWN, vk, 1); }
void clickAt(HWND box, POINT pt) {
    core::pointerEvent(core::window(box), pt, WM_LBUTTONDOWN, MK_LBUTTON, 1);
    core::pointerEvent(core::window(box), pt, WM_LBUTTONUP, 0, 2);
}
POINT centre(const RECT &r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

class Box : public ::testing::Test {
protected:
    void SetUp() override {
        vela::test::freshCore();
        ASSERT_TRUE(vela::test::registerTestClass("plain", plainProc));
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

TEST_F(Box, AnsweredByKeysCentredAndGone) {
    Answers a;
    a.steps = {[](HWND b) { key(b, VK_RETURN); }};
    a.install();
    EXPECT_EQ(MessageBoxA(nullptr, "\x83\x41\x83\x43\x83\x65\x83\x80", "\x91\x49\x91\xf0", MB_OK), IDOK);
    ASSERT_EQ(a.seen.size(), 1u);
    EXPECT_FALSE(IsWindow(a.seen[0])) << "destroyed when answered";
    EXPECT_EQ(a.titles[0], "\x91\x49\x91\xf0") << "the caption is the title, as given";
    const RECT &r = a.rects[0];
    EXPECT_NEAR((r.left + r.right) / 2, 1280 / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, 1024 / 2, 1);

    Answers b;
    b.steps = {[](HWND h) { key(h, VK_ESCAPE); }, [](HWND h) { key(h, VK_ESCAPE); },
               [](HWND h) {
                   key(h, VK_ESCAPE);  // ignored: no Cancel
                   key(h, 'N');
               },
               [](HWND h) {
                   key(h, VK_TAB);
                   key(h, VK_SPACE);
               },
               [](HWND h) { core::postInput(h, WM_SYSCOMMAND, SC_CLOSE, 0); }};
    b.install();
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL) << "the window manager's close";
}

TEST_F(Box, AnsweredByClickingInsideAButton) {
    Answers a;
    a.steps = {[](HWND b) {
        core::MessageBoxState *s = core::messageBoxOf(b);
        // Pressed on Yes, released outside: nothing; then a click on No.
        core::pointerEvent(core::window(b), centre(s->buttons[0].rect), WM_LBUTTONDOWN, MK_LBUTTON, 1);
        core::pointerEvent(core::window(b), POINT{2, 2}, WM_MOUSEMOVE, MK_LBUTTON, 2);
        core::pointerEvent(core::window(b), POINT{2, 2}, WM_LBUTTONUP, 0, 3);
        clickAt(b, centre(s->buttons[1].rect));
    }};
    a.install();
    EXPECT_EQ(MessageBoxA(nullptr, "t", nullptr, MB_YESNO), IDNO);
    EXPECT_EQ(a.titles[0], "Error") << "the default caption";
}

TEST_F(Box, LoopDispatchesOtherWindowsAndNests) {
    static std::vector<std::string> trace;
    trace.clear();
    auto traced = [](const char *what) { return std::find(trace.begin(), trace.end(), what) != trace.end(); };
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_APP) {
            trace.push_back("app " + std::to_string(w));
            if (w == 1) trace.push_back("inner " + std::to_string(MessageBoxA(nullptr, "inner", "inner", MB_OKCANCEL)));
            return 0;
        }
        if (m == WM_PAINT) trace.push_back("paint");
        return DefWindowProcA(h, m, w, l);
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "other";
    RegisterClassA(&wc);
    HWND other = CreateWindowExA(0, "other", "o", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND focus = GetFocus();
    ASSERT_EQ(focus, other);

    Answers a;
    a.steps = {[](HWND) {},
               [](HWND inner) {
                   EXPECT_EQ(core::window(inner)->title, "inner");
                   key(inner, VK_ESCAPE);
               }};
    a.install();
    int outer = -1;
    bool posted = false;
    recorder().onPoll = [&] {
        a.poll();
        // Once the loop has painted the other window, a message for it opens a nested box.
        if (!posted && traced("paint")) {
            posted = true;
            PostMessageA(other, WM_APP, 1, 0);
        }
        // The outer box is answered once the inner one has returned.
        if (traced("inner 2") && IsWindow(a.seen[0]) && !core::messageBoxOf(a.seen[0])->result)
            key(a.seen[0], VK_RETURN);
    };
    outer = MessageBoxA(nullptr, "outer", "outer", MB_OK);
    EXPECT_EQ(outer, IDOK);
    EXPECT_EQ(trace, (std::vector<std::string>{"paint", "app 1", "inner 2"}))
        << "the loop painted the other window, then its message opened a nested box, answered first";
    EXPECT_EQ(a.seen.size(), 2u);
    EXPECT_EQ(GetFocus(), other) << "the focus comes back";
    DestroyWindow(other);
}

TEST_F(Box, QuitEndsTheBoxAndIsPostedAgain) {
    Answers a;
    a.steps = {[](HWND) { PostQuitMessage(3); }};
    a.install();
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
    ASSERT_EQ(a.seen.size(), 1u);
    EXPECT_FALSE(IsWindow(a.seen[0]));

    // With the quit still pending, a further box doesn't even appear.
    size_t before = recorder().calls.size();
    EXPECT_EQ(MessageBoxA(nullptr, "second", "second", MB_OK), IDOK);
    for (size_t i = before; i < recorder().calls.size(); ++i)
        EXPECT_NE(recorder().calls[i], "create second");
    MSG m;
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u) << "the same code";
}

TEST_F(Box, BadArgumentsAndOwners) {
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", 0x0F), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MessageBoxA((HWND)(INT_PTR)0x7777, "t", "c", MB_OK), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);

    // Text that isn't CP932 shows replacement characters; a null text is empty.
    Answers a;
    HWND owner = CreateWindowExA(0, "plain", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    bool ownerEnabled = true;
    std::vector<std::string> lines;
    a.steps = {[&](HWND b) {
                   ownerEnabled = IsWindowEnabled(owner);
                   lines = core::messageBoxOf(b)->lines;
                   key(b, VK_RETURN);
               },
               [](HWND b) { key(b, VK_RETURN); }};
    a.install();
    EXPECT_EQ(MessageBoxA(owner, "ok\x81\nend\x83", "c", MB_OK), IDOK);
    EXPECT_FALSE(ownerEnabled) << "the owner is disabled while its box is open";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(lines, (std::vector<std::string>{"ok\xEF\xBF\xBD", "end\xEF\xBF\xBD"}));
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    DestroyWindow(owner);
}

}  // namespace
