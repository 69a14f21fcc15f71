// The combo box without a display: its list, its messages, and the notifications that
// mouse and keys produce, driven through the core's input routing.
#include "test_backend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vela;
using vela::test::recorder;


namespace {

// ---- The list on its own -----------------------------------------------------------------

TEST(ComboItems, SortedInsertIgnoresAsciiCaseAndKeepsAddingOrderOfEquals) {
    core::ComboItems items(true);
    EXPECT_EQ(items.add("ccc"), 0);
    EXPECT_EQ(items.add("aaa"), 0);
    EXPECT_EQ(items.add("bbb"), 1);
    EXPECT_EQ(items.add("BBB"), 2) << "after the equal item";
    EXPECT_EQ(items.add("Ab"), 1);
    std::vector<std::string> order;
    for (int i = 0; i < items.count(); ++i) order.push_back(*items.text(i));
    EXPECT_EQ(order, (std::vector<std::string>{"aaa", "Ab", "bbb", "BBB", "ccc"}));

    core::ComboItems plain(false);
    plain.add("b");
    plain.add("a");
    EXPECT_EQ(*plain.text(0), "b");
}

TEST(ComboItems, DoubleByteCharactersAreNotCaseFolded) {
    // "ア" is 83 41 and "ャ" 83 61: their second bytes look like 'A' and 'a'.
    EXPECT_NE(core::compareAnsiNoCase("\x83\x41", "\x83\x61"), 0);
    EXPECT_LT(core::compareAnsiNoCase("\x83\x41", "\x83\x61"), 0);
    EXPECT_EQ(core::compareAnsiNoCase("Abc", "aBC"), 0);
    EXPECT_LT(core::compareAnsiNoCase("zzz", "\x82\xa0"), 0) << "ASCII sorts before kana";
    EXPECT_LT(core::compareAnsiNoCase("ab", "abc"), 0);
    core::ComboItems items(true);
    items.add("\x83\x61");
    items.add("\x83\x41");
    EXPECT_EQ(*items.text(0), "\x83\x41");
    EXPECT_EQ(items.find(-1, "\x83\x61", true), 1);
}

TEST(ComboItems, SelectionFollowsItsItemAndBadIndexesFail) {
    core::ComboItems items(false);
    for (const char *t : {"a", "b", "c", "d"}) items.add(t);
    EXPECT_EQ(items.select(2), 2);
    items.insert(0, "z");
    EXPECT_EQ(items.selected(), 3) << "still \"c\"";
    EXPECT_EQ(items.remove(1), 4);
    EXPECT_EQ(items.selected(), 2);
    EXPECT_EQ(items.remove(2), 3);
    EXPECT_EQ(items.selected(), -1) << "its item is gone";
    EXPECT_EQ(items.remove(3), CB_ERR);
    EXPECT_EQ(items.remove(-1), CB_ERR);
    EXPECT_EQ(items.insert(4, "x"), CB_ERR);
    EXPECT_EQ(items.insert(-2, "x"), CB_ERR);
    EXPECT_EQ(items.insert(-1, "y"), 3) << "-1 appends";
    items.select(1);
    EXPECT_EQ(items.select(9), CB_ERR);
    EXPECT_EQ(items.selected(), -1) << "a bad index clears the selection";
    EXPECT_EQ(items.text(9), nullptr);
}

TEST(ComboItems, FindStartsAfterAndWraps) {
    core::ComboItems items(false);
    for (const char *t : {"apple", "banana", "avocado", "Apricot"}) items.add(t);
    EXPECT_EQ(items.find(-1, "a", false), 0);
    EXPECT_EQ(items.find(0, "a", false), 2);
    EXPECT_EQ(items.find(2, "A", false), 3);
    EXPECT_EQ(items.find(3, "a", false), 0) << "wraps";
    EXPECT_EQ(items.find(-1, "apricot", true), 3);
    EXPECT_EQ(items.find(-1, "apr", true), CB_ERR);
    EXPECT_EQ(items.find(77, "ban", false), 1) << "a bad start searches everything";
    EXPECT_EQ(items.find(-1, "cherry", false), CB_ERR);
}

// ---- The window, its messages and notifications --------------------------------------------

struct Note {
    int id, code;
    HWND from;
};
std::vector<Note> notes;
std::vector<UINT> parentMouse;
void (*onNote)(HWND combo, int code) = nullptr;

LRESULT CALLBACK parentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COMMAND) {
        notes.push_back(Note{LOWORD(w), HIWORD(w), (HWND)l});
        if (onNote) onNote((HWND)l, HIWORD(w));
        return 0;
    }
    if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) parentMouse.push_back(m);
    return DefWindowProcA(h, m, w, l);
}

class Combo : public ::testing::Test {
protected:
    void SetUp() override {
        vela::test::freshCore();
        ASSERT_TRUE(vela::test::registerTestClass("parent", parentProc));
        parent = CreateWindowExA(0, "parent", "Vertex Shader", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 1024, 650,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        combo = make(300);
        ASSERT_NE(combo, nullptr);
        for (const char *t : {"aaa", "bbb", "ccc"}) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)t);
        pump();
        notes.clear();
        parentMouse.clear();
        onNote = nullptr;
    }
    void TearDown() override {
        onNote = nullptr;
        if (IsWindow(parent)) DestroyWindow(parent);
        pump();
    }
    HWND make(int height, DWORD extra = CBS_SORT) {
        return CreateWindowExA(0, "COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | extra, 0,
                               0, 300, height, parent, (HMENU)(INT_PTR)1000, GetModuleHandleA(nullptr), nullptr);
    }
    static void pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    static std::vector<int> codes() {
        std::vector<int> out;
        for (auto &n : notes) out.push_back(n.code);
        return out;
    }
    core::ComboBox *box() { return core::comboBoxOf(combo); }
    core::Window *top() { return core::window(parent); }
    core::Window *list() { return core::window(box()->list); }
    // A press and release at a point of the main window's client area.
    void click(POINT pt) {
        core::pointerEvent(top(), pt, WM_LBUTTONDOWN, MK_LBUTTON, 10);
        core::pointerEvent(top(), pt, WM_LBUTTONUP, 0, 20);
        pump();
    }
    // The same at a point of the open list window.
    void clickList(POINT pt) {
        core::pointerEvent(list(), pt, WM_LBUTTONDOWN, MK_LBUTTON, 30);
        core::pointerEvent(list(), pt, WM_LBUTTONUP, 0, 40);
        pump();
    }
    void keyDown(UINT vk) {
        core::keyEvent(top(), WM_KEYDOWN, vk, 1);
        pump();
    }
    static POINT row(int i) { return POINT{100, 1 + i * core::kComboItemHeight + core::kComboItemHeight / 2}; }

    HWND parent = nullptr, combo = nullptr;
};

TEST_F(Combo, IsAFieldHighWindowAndRemembersTheDropHeight) {
    RECT r;
    GetClientRect(combo, &r);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, core::kComboFieldHeight) << "the list is a popup of its own";
    SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&r);
    EXPECT_EQ(r.bottom - r.top, 300);
    // Below the field the parent gets the mouse.
    core::pointerEvent(top(), POINT{150, 200}, WM_MOUSEMOVE, 0, 1);
    core::pointerEvent(top(), POINT{150, 10}, WM_MOUSEMOVE, 0, 2);
    core::pointerEvent(top(), POINT{310, 5}, WM_MOUSEMOVE, 0, 3);
    pump();
    EXPECT_EQ(parentMouse, (std::vector<UINT>{WM_MOUSEMOVE, WM_MOUSEMOVE}));
    EXPECT_EQ(GetWindowLongA(combo, GWL_ID), 1000);
}

TEST_F(Combo, CreatingAndFillingItDrawsAndMeasuresNothing) {
    // Drawing opens the fonts: it must wait for the paint, after the parent's frame.
    size_t before = recorder().calls.size();
    int measures = recorder().measures;
    HWND fresh = make(300);
    SendMessageA(fresh, CB_ADDSTRING, 0, (LPARAM) "x");
    for (size_t i = before; i < recorder().calls.size(); ++i)
        EXPECT_NE(recorder().calls[i].rfind("paint", 0), 0u) << recorder().calls[i];
    EXPECT_EQ(recorder().measures, measures);
    InvalidateRect(parent, nullptr, FALSE);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, parent) << "the parent's paint comes before its child's";
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    DispatchMessageA(&m);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, fresh);
    DispatchMessageA(&m);
    EXPECT_EQ(recorder().calls.back(), "paint combo " + std::to_string(core::handleId(fresh)) + " ");
}

TEST_F(Combo, MessagesReturnWin32Values) {
    auto send = [&](UINT m, WPARAM w = 0, LPARAM l = 0) { return (int)SendMessageA(combo, m, w, l); };
    EXPECT_EQ(send(CB_GETCOUNT), 3);
    EXPECT_EQ(send(CB_GETCURSEL), CB_ERR) << "nothing selected at first";
    EXPECT_EQ(send(CB_SETCURSEL, 1), 1);
    EXPECT_EQ(send(CB_GETCURSEL), 1);
    EXPECT_TRUE(notes.empty()) << "CB_SETCURSEL notifies nobody";
    char buf[16] = "";
    EXPECT_EQ(send(CB_GETLBTEXT, 1, (LPARAM)buf), 3);
    EXPECT_STREQ(buf, "bbb");
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 2), 3);
    EXPECT_EQ(GetWindowTextA(combo, buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "bbb");
    EXPECT_EQ(send(CB_ADDSTRING, 0, (LPARAM) "abc"), 1);
    EXPECT_EQ(send(CB_GETCURSEL), 2) << "the selection moves with its item";
    EXPECT_EQ(send(CB_INSERTSTRING, (WPARAM)-1, (LPARAM) "AAA"), 4) << "not sorted";
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "aaa"), 0);
    EXPECT_EQ(send(CB_SELECTSTRING, (WPARAM)-1, (LPARAM) "cc"), 3);
    EXPECT_EQ(send(CB_SETITEMDATA, 3, 77), TRUE);
    EXPECT_EQ(send(CB_GETITEMDATA, 3), 77);
    EXPECT_EQ(send(CB_DELETESTRING, 0), 4);
    EXPECT_EQ(send(CB_GETCURSEL), 2);
    EXPECT_EQ(send(CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(send(CB_GETCOUNT), 0);
    EXPECT_EQ(send(CB_GETCURSEL), CB_ERR);
    EXPECT_TRUE(notes.empty());
}

TEST_F(Combo, BadIndexesAndArgumentsGiveCbErr) {
    auto send = [&](UINT m, WPARAM w = 0, LPARAM l = 0) { return (int)SendMessageA(combo, m, w, l); };
    char buf[16];
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(send(CB_SETCURSEL, 3), CB_ERR);
    EXPECT_EQ(send(CB_GETCURSEL), CB_ERR) << "the selection is cleared";
    EXPECT_EQ(send(CB_SETCURSEL, (WPARAM)-1), CB_ERR);
    EXPECT_EQ(send(CB_GETLBTEXT, 3, (LPARAM)buf), CB_ERR);
    EXPECT_EQ(send(CB_GETLBTEXT, (WPARAM)-1, (LPARAM)buf), CB_ERR);
    EXPECT_EQ(send(CB_GETLBTEXT, 0, 0), CB_ERR) << "no buffer";
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 99), CB_ERR);
    EXPECT_EQ(send(CB_DELETESTRING, 3), CB_ERR);
    EXPECT_EQ(send(CB_INSERTSTRING, 9, (LPARAM) "x"), CB_ERR);
    EXPECT_EQ(send(CB_ADDSTRING, 0, 0), CB_ERR) << "no string";
    EXPECT_EQ(send(CB_FINDSTRING, 0, 0), CB_ERR);
    EXPECT_EQ(send(CB_GETITEMDATA, 5), CB_ERR);
    EXPECT_EQ(send(CB_GETCOUNT), 3);
    // A destroyed combo box, or none, answers nothing and crashes nothing.
    HWND gone = make(100);
    DestroyWindow(gone);
    EXPECT_EQ(SendMessageA(gone, CB_ADDSTRING, 0, (LPARAM) "x"), 0);
    EXPECT_EQ(SendMessageA(nullptr, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(Combo, MousePickNotifiesInWindowsOrder) {
    click(POINT{150, 10});
    ASSERT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) << "a click on the field opens the list";
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN}));
    EXPECT_EQ(GetFocus(), combo);
    EXPECT_EQ(GetCapture(), combo);
    EXPECT_EQ(recorder().grabbed, list()) << "a click anywhere must reach us";
    RECT lr;
    GetWindowRect(box()->list, &lr);
    POINT o{0, 0};
    ClientToScreen(combo, &o);
    EXPECT_EQ(lr.left, o.x);
    EXPECT_EQ(lr.top, o.y + core::kComboFieldHeight) << "just below the field";
    EXPECT_EQ(lr.bottom - lr.top, 3 * core::kComboItemHeight + 2) << "as tall as its items need";
    EXPECT_EQ(lr.right - lr.left, 300);

    // Hovering highlights; the click picks.
    notes.clear();
    core::pointerEvent(list(), row(2), WM_MOUSEMOVE, 0, 25);
    core::pointerEvent(list(), row(1), WM_MOUSEMOVE, 0, 26);
    pump();
    EXPECT_EQ(box()->hot, 1);
    EXPECT_TRUE(notes.empty()) << "hovering changes nothing yet";
    clickList(row(1));
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
    for (auto &n : notes) {
        EXPECT_EQ(n.id, 1000);
        EXPECT_EQ(n.from, combo) << "lParam is the combo box";
    }
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(IsWindowVisible(box()->list));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(recorder().grabbed, nullptr);
    EXPECT_TRUE(parentMouse.empty()) << "the parent saw none of it";
}

TEST_F(Combo, PressOnFieldAndReleaseOnItemPicksIt) {
    core::pointerEvent(top(), POINT{150, 10}, WM_LBUTTONDOWN, MK_LBUTTON, 1);
    pump();
    ASSERT_NE(list(), nullptr);
    // X keeps reporting to the field's window while the button is down.
    POINT listPt = row(2);
    core::Window *l = list();
    POINT inTop{listPt.x + l->clientOrigin().x - top()->clientOrigin().x,
                listPt.y + l->clientOrigin().y - top()->clientOrigin().y};
    core::pointerEvent(top(), inTop, WM_MOUSEMOVE, MK_LBUTTON, 2);
    core::pointerEvent(top(), inTop, WM_LBUTTONUP, 0, 3);
    pump();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
}

TEST_F(Combo, ClosingWithoutAChangeCancels) {
    const std::vector<int> cancelled{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP};
    click(POINT{150, 10});
    notes.clear();
    click(POINT{600, 400});
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_TRUE(parentMouse.empty()) << "the click that closes the list is the list's";
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));

    notes.clear();
    click(POINT{150, 10});
    keyDown(VK_ESCAPE);
    EXPECT_EQ(codes(), cancelled);

    notes.clear();
    click(POINT{150, 10});
    click(POINT{150, 10});
    EXPECT_EQ(codes(), cancelled) << "a second click on the field";

    // Picking the item that is already selected changes nothing.
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    notes.clear();
    click(POINT{150, 10});
    clickList(row(1));
    EXPECT_EQ(codes(), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP}));

    // Someone else taking the capture closes it too.
    notes.clear();
    click(POINT{150, 10});
    SetCapture(parent);
    EXPECT_EQ(codes(), cancelled);
    ReleaseCapture();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
}

TEST_F(Combo, KeysSelectWithTheListClosedAndMoveTheHighlightWithItOpen) {
    SetFocus(combo);
    notes.clear();
    keyDown(VK_DOWN);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SELENDOK, CBN_SELCHANGE}));
    keyDown(VK_END);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    notes.clear();
    keyDown(VK_DOWN);
    EXPECT_TRUE(notes.empty()) << "nothing below the last item";
    keyDown(VK_UP);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    core::keyEvent(top(), WM_KEYDOWN, 'C', 1);  // TranslateMessage makes the 'c'
    pump();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);

    notes.clear();
    keyDown(VK_F4);
    ASSERT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(box()->hot, 2);
    keyDown(VK_UP);
    keyDown(VK_UP);
    EXPECT_EQ(box()->hot, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2) << "only the highlight moved";
    keyDown(VK_RETURN);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));

    notes.clear();
    keyDown(VK_F4);
    keyDown(VK_DOWN);
    keyDown(VK_F4);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1) << "F4 closes with the highlighted item";
    EXPECT_EQ(codes(), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));

    // Without the focus the combo box hears no keys.
    notes.clear();
    SetFocus(parent);
    keyDown(VK_DOWN);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_KILLFOCUS}));
}

TEST_F(Combo, LongListsScroll) {
    HWND many = make(300, 0);
    char text[8];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(text, sizeof text, "i%02d", i);
        SendMessageA(many, CB_ADDSTRING, 0, (LPARAM)text);
    }
    combo = many;
    SendMessageA(many, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(box()->dropped);
    core::ComboListLayout l = box()->layout();
    const int fit = (300 - core::kComboFieldHeight - 2) / core::kComboItemHeight;
    EXPECT_EQ(l.visible, fit);
    EXPECT_TRUE(l.scroll);
    RECT lr;
    GetWindowRect(box()->list, &lr);
    EXPECT_EQ(lr.bottom - lr.top, fit * core::kComboItemHeight + 2) << "within the height given at creation";

    // The arrow, the track, the thumb, the wheel, the keys.
    clickList(POINT{(l.down.left + l.down.right) / 2, l.down.top + 2});
    EXPECT_EQ(box()->top, 1);
    clickList(POINT{(l.track.left + l.track.right) / 2, l.track.bottom - 2});
    EXPECT_EQ(box()->top, fit);
    core::pointerEvent(list(), POINT{50, 50}, WM_MOUSEMOVE, 0, 1);
    core::postInput(many, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    pump();
    EXPECT_EQ(box()->top, fit - core::kWheelLines);
    l = box()->layout();
    POINT grab{(l.thumb.left + l.thumb.right) / 2, l.thumb.top + 1};
    core::pointerEvent(list(), grab, WM_LBUTTONDOWN, MK_LBUTTON, 2);
    core::pointerEvent(list(), POINT{grab.x, l.track.bottom + 50}, WM_MOUSEMOVE, MK_LBUTTON, 3);
    core::pointerEvent(list(), POINT{grab.x, l.track.bottom + 50}, WM_LBUTTONUP, 0, 4);
    pump();
    EXPECT_EQ(box()->top, 40 - fit) << "dragged to the end";
    EXPECT_TRUE(box()->dropped) << "scrolling doesn't close the list";

    // A click on a row picks what it shows.
    notes.clear();
    clickList(row(3));
    EXPECT_EQ(SendMessageA(many, CB_GETCURSEL, 0, 0), 40 - fit + 3);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));

    // Opening again shows the selection; keys scroll to the highlight.
    SendMessageA(many, CB_SETCURSEL, 2, 0);
    SendMessageA(many, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(box()->top, 0);
    SetFocus(many);
    keyDown(VK_END);
    EXPECT_EQ(box()->hot, 39);
    EXPECT_EQ(box()->top, 40 - fit);
    keyDown(VK_PRIOR);
    EXPECT_EQ(box()->hot, 39 - (fit - 1));
    keyDown(VK_ESCAPE);

    // Without WS_VSCROLL there is no scroll bar, but the list still scrolls.
    HWND bare = CreateWindowExA(0, "COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 300, 100,
                                parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < 10; ++i) SendMessageA(bare, CB_ADDSTRING, 0, (LPARAM) "x");
    combo = bare;
    SendMessageA(bare, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_FALSE(box()->layout().scroll);
    EXPECT_EQ(box()->layout().rows.right, 299);
    SetFocus(bare);
    keyDown(VK_END);
    EXPECT_EQ(box()->top, 10 - box()->layout().visible);
}

TEST_F(Combo, ParentsThatReactDuringNotificationsAreSafe) {
    // Destroying the combo box while it notifies stops the sequence there.
    onNote = [](HWND c, int code) {
        if (code == CBN_SELENDOK) DestroyWindow(c);
    };
    click(POINT{150, 10});
    HWND listWindow = box()->list;
    clickList(row(0));
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_KILLFOCUS}))
        << "the focus goes with the window; nothing after";
    EXPECT_FALSE(IsWindow(combo));
    EXPECT_FALSE(IsWindow(listWindow)) << "the list goes with it";
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(recorder().grabbed, nullptr);

    // Reopening from CBN_SELCHANGE (as a modal loop there could) leaves a consistent box.
    combo = make(300);
    for (const char *t : {"aaa", "bbb"}) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)t);
    onNote = [](HWND c, int code) {
        if (code == CBN_SELCHANGE) SendMessageA(c, CB_SHOWDROPDOWN, TRUE, 0);
    };
    click(POINT{150, 10});
    clickList(row(1));
    EXPECT_TRUE(box()->dropped);
    EXPECT_EQ(GetCapture(), combo);
    onNote = nullptr;
    keyDown(VK_ESCAPE);
    EXPECT_FALSE(box()->dropped);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
}

TEST_F(Combo, ChangesWhileOpenResizeTheList) {
    click(POINT{150, 10});
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "ddd");
    RECT lr;
    GetWindowRect(box()->list, &lr);
    EXPECT_EQ(lr.bottom - lr.top, 4 * core::kComboItemHeight + 2);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    GetWindowRect(box()->list, &lr);
    EXPECT_EQ(lr.bottom - lr.top, core::kComboItemHeight + 2) << "an empty list keeps one row";
    notes.clear();
    clickList(row(0));
    EXPECT_TRUE(box()->dropped) << "nothing to pick";
    keyDown(VK_RETURN);
    EXPECT_EQ(codes(), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
    // Disabled: no input opens it.
    EnableWindow(combo, FALSE);
    notes.clear();
    click(POINT{150, 10});
    EXPECT_FALSE(box()->dropped);
    EXPECT_TRUE(notes.empty());
}

}  // namespace
