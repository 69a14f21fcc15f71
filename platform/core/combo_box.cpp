// COMBOBOX: the drop-down list (CBS_DROPDOWNLIST) and its popup list ("ComboLBox"),
// and the registration of the built-in classes.
//
// Supported:
//  - CBS_DROPDOWNLIST with CBS_SORT; WS_VSCROLL (a scroll bar when the items don't fit;
//    without it the list still scrolls with the wheel and the keys)
//  - CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_GETCOUNT,
//    CB_GETCURSEL, CB_SETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_FINDSTRING(EXACT),
//    CB_SELECTSTRING, CB_GET/SETITEMDATA, CB_SHOWDROPDOWN, CB_GETDROPPEDSTATE,
//    CB_GETDROPPEDCONTROLRECT, CB_GETITEMHEIGHT; WM_GETTEXT gives the selected text
//  - mouse: a press opens the list, the item under the pointer is highlighted, releasing
//    or clicking on an item picks it, a click anywhere else closes the list; the wheel
//  - keys with the focus: F4, Enter, Escape, arrows, Home/End, Page Up/Down, first letters
//  - CBN_SETFOCUS/KILLFOCUS, DROPDOWN, SELENDOK/SELENDCANCEL, CLOSEUP, SELCHANGE
// Not supported: CBS_SIMPLE and CBS_DROPDOWN (they behave as CBS_DROPDOWNLIST: there is
// no edit field), owner draw, WM_SETFONT, auto-repeat on the scroll arrows.
#include "core/controls.h"
#include "core/state.h"
#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace vela::core {
namespace {

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The next character of a CP932 string as one comparable unit; advances `i`.
unsigned nextUnit(const std::string &s, size_t &i) {
    auto c = (unsigned char)s[i++];
    if (isLeadByte(c) && i < s.size()) return (c << 8) | (unsigned char)s[i++];
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool startsWithNoCase(const std::string &text, const std::string &prefix) {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= text.size() || nextUnit(text, i) != nextUnit(prefix, j)) return false;
    }
    return true;
}

}  // namespace

int compareAnsiNoCase(const std::string &a, const std::string &b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        unsigned x = nextUnit(a, i), y = nextUnit(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

// ---- ComboItems ------------------------------------------------------------------------

int ComboItems::add(const std::string &text) {
    int at = count();
    if (sorted_) {
        // After equal items, so equal texts keep the order they were added in.
        auto it = std::upper_bound(items_.begin(), items_.end(), text, [](const std::string &t, const Item &item) {
            return compareAnsiNoCase(t, item.text) < 0;
        });
        at = (int)(it - items_.begin());
    }
    return insert(at, text);
}

int ComboItems::insert(int index, const std::string &text) {
    if (index == -1) index = count();
    if (index < 0 || index > count()) return CB_ERR;
    items_.insert(items_.begin() + index, Item{text, 0});
    if (selected_ >= index) ++selected_;
    return index;
}

int ComboItems::remove(int index) {
    if (!valid(index)) return CB_ERR;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    return count();
}

void ComboItems::clear() {
    items_.clear();
    selected_ = -1;
}

bool ComboItems::setData(int index, LPARAM data) {
    if (!valid(index)) return false;
    items_[index].data = data;
    return true;
}

int ComboItems::select(int index) {
    selected_ = valid(index) ? index : -1;
    return valid(index) ? index : CB_ERR;
}

int ComboItems::find(int after, const std::string &text, bool exact) const {
    int n = count();
    if (after < -1 || after >= n) after = -1;
    for (int k = 1; k <= n; ++k) {
        int i = (after + k) % n;
        const std::string &t = items_[i].text;
        if (exact ? compareAnsiNoCase(t, text) == 0 : startsWithNoCase(t, text)) return i;
    }
    return CB_ERR;
}

// ---- Layout of the dropped list --------------------------------------------------------

RECT ComboListLayout::row(int index, int top) const {
    int y = rows.top + (index - top) * kComboItemHeight;
    return RECT{rows.left, y, rows.right, y + kComboItemHeight};
}

int ComboListLayout::itemAt(POINT pt, int top, int count) const {
    if (pt.x < rows.left || pt.x >= rows.right || pt.y < rows.top || pt.y >= rows.bottom) return -1;
    int i = top + (pt.y - rows.top) / kComboItemHeight;
    return i < count ? i : -1;
}

ComboListLayout ComboBox::layout() const {
    ComboListLayout l;
    int count = items.count();
    int fit = std::max(1, (dropHeight - 2) / kComboItemHeight);
    l.visible = std::min(std::max(count, 1), fit);
    l.width = std::max(listWidth, kScrollBarWidth + 4);
    l.height = l.visible * kComboItemHeight + 2;
    l.scroll = scrollBar && count > l.visible;
    l.maxTop = std::max(0, count - l.visible);
    int right = l.width - 1 - (l.scroll ? kScrollBarWidth : 0);
    l.rows = RECT{1, 1, right, 1 + l.visible * kComboItemHeight};
    if (l.scroll) {
        int arrow = std::min(kScrollBarWidth, (l.height - 2) / 2);
        l.up = RECT{right, 1, l.width - 1, 1 + arrow};
        l.down = RECT{right, l.height - 1 - arrow, l.width - 1, l.height - 1};
        l.track = RECT{right, l.up.bottom, l.width - 1, l.down.top};
        int span = l.track.bottom - l.track.top;
        int thumb = std::max(std::min(8, span), span * l.visible / std::max(count, 1));
        int pos = l.maxTop ? (span - thumb) * std::clamp(top, 0, l.maxTop) / l.maxTop : 0;
        l.thumb = RECT{right, l.track.top + pos, l.width - 1, l.track.top + pos + thumb};
    }
    return l;
}

// ---- The combo box window --------------------------------------------------------------

ComboBox *comboBoxOf(HWND hwnd) {
    DWORD saved = GetLastError();
    Window *w = window(hwnd);
    SetLastError(saved);
    return w ? dynamic_cast<ComboBox *>(w->control.get()) : nullptr;
}

namespace {

// Sends a CBN_ code to the parent; false when the combo box is gone afterwards.
bool notify(HWND h, int code) {
    Window *w = window(h);
    if (!w) return false;
    if (w->parent)
        SendMessageA(w->parent->handle(), WM_COMMAND, MAKEWPARAM(w->idOrMenu, code), (LPARAM)h);
    return window(h) != nullptr;
}

void repaint(HWND h) { InvalidateRect(h, nullptr, FALSE); }

// Where the list goes: under the field, or above it where the screen ends.
RECT listRect(Window *w, const ComboListLayout &l) {
    POINT o = w->clientOrigin();
    int y = o.y + w->clientHeight();
    if (y + l.height > backend().screenHeight() && o.y - l.height >= 0) y = o.y - l.height;
    return RECT{o.x, y, o.x + l.width, y + l.height};
}

// A point in the combo box's client area, in the list window's.
POINT toList(HWND h, ComboBox *c, POINT pt) {
    Window *w = window(h), *l = window(c->list);
    if (!w || !l) return POINT{-1, -1};
    POINT a = w->clientOrigin(), b = l->clientOrigin();
    return POINT{pt.x + a.x - b.x, pt.y + a.y - b.y};
}

void scrollTo(ComboBox *c, int top) {
    int t = std::clamp(top, 0, c->layout().maxTop);
    if (t == c->top) return;
    c->top = t;
    if (c->list) repaint(c->list);
}

void showItem(ComboBox *c, int index) {
    ComboListLayout l = c->layout();
    if (index < 0) return;
    if (index < c->top)
        scrollTo(c, index);
    else if (index >= c->top + l.visible)
        scrollTo(c, index - l.visible + 1);
}

// Sizes and places the open list for the current items.
void placeList(HWND h, ComboBox *c) {
    Window *w = window(h);
    if (!w || !window(c->list)) return;
    c->listWidth = w->clientWidth();
    c->top = std::clamp(c->top, 0, c->layout().maxTop);
    ComboListLayout l = c->layout();
    RECT r = listRect(w, l);
    MoveWindow(c->list, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    repaint(c->list);
}

void openList(HWND h) {
    ComboBox *c = comboBoxOf(h);
    if (!c || c->dropped) return;
    if (!notify(h, CBN_DROPDOWN)) return;
    c = comboBoxOf(h);
    Window *w = window(h);
    if (!c || c->dropped || !w || !w->enabled) return;
    if (!window(c->list)) {
        c->list = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "ComboLBox", nullptr, WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, w->instance, nullptr);
        if (!c->list) return;
        SetWindowLongPtrA(c->list, GWLP_USERDATA, (LONG_PTR)h);
    }
    c->hot = c->items.selected();
    c->top = 0;
    c->listWidth = w->clientWidth();
    showItem(c, c->hot);
    placeList(h, c);
    c->dropped = true;
    c->press = ComboBox::Press::Idle;
    ShowWindow(c->list, SW_SHOW);
    backend().grabPointer(window(c->list));
    SetCapture(h);
    repaint(h);
}

// Hides the list without telling anyone.
void hideList(HWND h, ComboBox *c) {
    c->dropped = false;
    c->press = ComboBox::Press::Idle;
    if (window(c->list)) ShowWindow(c->list, SW_HIDE);
    backend().grabPointer(nullptr);
    if (GetCapture() == h) ReleaseCapture();
    repaint(h);
}

// Closes the list, picking the highlighted item or not, and tells the parent.
// NOTE: picking the item that is already selected sends no CBN_SELCHANGE: nothing changed.
void closeList(HWND h, bool pick) {
    ComboBox *c = comboBoxOf(h);
    if (!c || !c->dropped) return;
    int before = c->items.selected();
    pick = pick && c->items.valid(c->hot);
    if (pick) c->items.select(c->hot);
    bool changed = c->items.selected() != before;
    hideList(h, c);
    if (!notify(h, pick ? CBN_SELENDOK : CBN_SELENDCANCEL)) return;
    if (!notify(h, CBN_CLOSEUP)) return;
    if (changed) notify(h, CBN_SELCHANGE);
}

// A selection made with the list closed (keys, wheel): no drop-down, no close-up.
void selectByKey(HWND h, ComboBox *c, int index) {
    if (c->items.count() == 0) return;
    index = std::clamp(index, 0, c->items.count() - 1);
    if (index == c->items.selected()) return;
    c->items.select(index);
    repaint(h);
    if (!notify(h, CBN_SELENDOK)) return;
    notify(h, CBN_SELCHANGE);
}

void moveHot(ComboBox *c, int index) {
    if (c->items.count() == 0) return;
    index = std::clamp(index, 0, c->items.count() - 1);
    showItem(c, index);
    if (index != c->hot) {
        c->hot = index;
        repaint(c->list);
    }
}

// Moves the selection (list closed) or the highlight (list open) to `index`.
// NOTE: with the list open Win32 selects at once; here the highlight moves and Enter or F4
// picks it, with the same notifications as a mouse pick.
void step(HWND h, ComboBox *c, int index) {
    if (c->dropped)
        moveHot(c, index);
    else
        selectByKey(h, c, index);
}

void onKey(HWND h, ComboBox *c, WPARAM vk) {
    int current = c->dropped ? c->hot : c->items.selected();
    int page = std::max(1, c->layout().visible - 1);
    switch (vk) {
    case VK_F4:
        if (c->dropped)
            closeList(h, true);
        else
            openList(h);
        break;
    case VK_RETURN:
        if (c->dropped) closeList(h, true);
        break;
    case VK_ESCAPE:
        if (c->dropped) closeList(h, false);
        break;
    case VK_UP:
    case VK_LEFT: step(h, c, current < 0 ? 0 : current - 1); break;
    case VK_DOWN:
    case VK_RIGHT: step(h, c, current + 1); break;
    case VK_HOME: step(h, c, 0); break;
    case VK_END: step(h, c, c->items.count() - 1); break;
    case VK_PRIOR: step(h, c, current < 0 ? 0 : current - page); break;
    case VK_NEXT: step(h, c, current + page); break;
    default: break;
    }
}

// A typed character moves to the next item starting with it.
void onChar(HWND h, ComboBox *c, WPARAM ch) {
    if (ch < 0x20 || ch > 0x7e) return;
    int current = c->dropped ? c->hot : c->items.selected();
    int found = c->items.find(current, std::string(1, (char)ch), false);
    if (found != CB_ERR) step(h, c, found);
}

void onWheel(HWND h, ComboBox *c, WPARAM wParam) {
    int notches = (short)HIWORD(wParam) / WHEEL_DELTA;
    if (!notches) return;
    if (c->dropped)
        scrollTo(c, c->top - notches * kWheelLines);
    else if (c->focused)
        selectByKey(h, c, c->items.selected() < 0 ? 0 : c->items.selected() - notches);
}

void onButtonDown(HWND h, ComboBox *c, POINT pt) {
    if (!c->dropped) {
        if (GetFocus() != h) SetFocus(h);
        if (!(c = comboBoxOf(h))) return;
        openList(h);
        if ((c = comboBoxOf(h)) && c->dropped) c->press = ComboBox::Press::Field;
        return;
    }
    ComboListLayout l = c->layout();
    POINT p = toList(h, c, pt);
    if (p.x < 0 || p.y < 0 || p.x >= l.width || p.y >= l.height) {
        // The field or anywhere else: the list closes without a change.
        closeList(h, false);
        return;
    }
    auto in = [&](const RECT &r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
    using Press = ComboBox::Press;
    if (l.scroll && in(l.up)) {
        c->press = Press::Up;
        scrollTo(c, c->top - 1);
    } else if (l.scroll && in(l.down)) {
        c->press = Press::Down;
        scrollTo(c, c->top + 1);
    } else if (l.scroll && in(l.thumb)) {
        c->press = Press::Thumb;
        c->thumbGrab = p.y - l.thumb.top;
        repaint(c->list);
    } else if (l.scroll && in(l.track)) {
        bool above = p.y < l.thumb.top;
        c->press = above ? Press::PageUp : Press::PageDown;
        scrollTo(c, c->top + (above ? -1 : 1) * std::max(1, l.visible - 1));
    } else if (int item = l.itemAt(p, c->top, c->items.count()); item >= 0) {
        c->press = Press::Item;
        moveHot(c, item);
    }
}

void onMove(HWND h, ComboBox *c, POINT pt) {
    if (!c->dropped) return;
    ComboListLayout l = c->layout();
    POINT p = toList(h, c, pt);
    if (c->press == ComboBox::Press::Thumb) {
        int span = (l.track.bottom - l.track.top) - (l.thumb.bottom - l.thumb.top);
        if (span > 0) scrollTo(c, ((p.y - c->thumbGrab - l.track.top) * l.maxTop + span / 2) / span);
        return;
    }
    int item = l.itemAt(p, c->top, c->items.count());
    if (item >= 0 && item != c->hot) {
        c->hot = item;
        repaint(c->list);
    }
}

void onButtonUp(HWND h, ComboBox *c, POINT pt) {
    if (!c->dropped) return;
    using Press = ComboBox::Press;
    Press was = c->press;
    c->press = Press::Idle;
    if (was == Press::Thumb) repaint(c->list);
    if (was != Press::Field && was != Press::Item) return;
    // Released over an item: that one. Anywhere else the list stays open.
    int item = c->layout().itemAt(toList(h, c, pt), c->top, c->items.count());
    if (item < 0) return;
    c->hot = item;
    closeList(h, true);
}

// After the items changed: the field shows the right text, an open list fits them.
void itemsChanged(HWND h, ComboBox *c) {
    repaint(h);
    if (!c->dropped) return;
    if (c->hot >= c->items.count()) c->hot = c->items.count() - 1;
    placeList(h, c);
}

LRESULT onComboMessage(HWND h, ComboBox *c, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto str = [&]() -> const char * { return reinterpret_cast<const char *>(lParam); };
    int index = (int)(INT_PTR)wParam;
    switch (msg) {
    case CB_ADDSTRING: {
        if (!str()) return CB_ERR;
        int r = c->items.add(str());
        itemsChanged(h, c);
        return r;
    }
    case CB_INSERTSTRING: {
        if (!str()) return CB_ERR;
        int r = c->items.insert(index, str());
        if (r != CB_ERR) itemsChanged(h, c);
        return r;
    }
    case CB_DELETESTRING: {
        int r = c->items.remove(index);
        if (r != CB_ERR) {
            if (c->hot == index) c->hot = -1;
            else if (c->hot > index) --c->hot;
            itemsChanged(h, c);
        }
        return r;
    }
    case CB_RESETCONTENT:
        c->items.clear();
        c->hot = -1;
        c->top = 0;
        itemsChanged(h, c);
        return CB_OKAY;
    case CB_GETCOUNT: return c->items.count();
    case CB_GETCURSEL: return c->items.selected() < 0 ? CB_ERR : c->items.selected();
    case CB_SETCURSEL: {
        int r = c->items.select(index);
        if (c->dropped) {
            c->hot = c->items.selected();
            showItem(c, c->hot);
            repaint(c->list);
        }
        repaint(h);
        return r;
    }
    case CB_GETLBTEXT: {
        const std::string *t = c->items.text(index);
        if (!t || !lParam) return CB_ERR;
        std::memcpy(reinterpret_cast<char *>(lParam), t->c_str(), t->size() + 1);
        return (LRESULT)t->size();
    }
    case CB_GETLBTEXTLEN: {
        const std::string *t = c->items.text(index);
        return t ? (LRESULT)t->size() : CB_ERR;
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
        return str() ? c->items.find(index, str(), msg == CB_FINDSTRINGEXACT) : CB_ERR;
    case CB_SELECTSTRING: {
        int found = str() ? c->items.find(index, str(), false) : CB_ERR;
        if (found != CB_ERR) onComboMessage(h, c, CB_SETCURSEL, (WPARAM)found, 0);
        return found;
    }
    case CB_GETITEMDATA: return c->items.data(index);
    case CB_SETITEMDATA: return c->items.setData(index, lParam) ? TRUE : CB_ERR;
    case CB_SHOWDROPDOWN:
        if (wParam)
            openList(h);
        else
            closeList(h, false);
        return TRUE;
    case CB_GETDROPPEDSTATE: return c->dropped;
    case CB_GETDROPPEDCONTROLRECT: {
        Window *w = window(h);
        if (!lParam || !w) return CB_ERR;
        POINT o = w->clientOrigin();
        *reinterpret_cast<RECT *>(lParam) =
            RECT{o.x, o.y, o.x + w->clientWidth(), o.y + w->clientHeight() + c->dropHeight};
        return TRUE;
    }
    case CB_GETITEMHEIGHT: return index == -1 ? kComboFieldHeight : kComboItemHeight;
    default: return CB_ERR;
    }
}

}  // namespace

LRESULT CALLBACK comboBoxProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        Window *w = window(h);
        auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (!w || !cs) return FALSE;
        auto box = std::make_unique<ComboBox>();
        box->items = ComboItems((cs->style & CBS_SORT) != 0);
        // The height given at creation includes the dropped-down list.
        box->dropHeight = std::max(cs->cy - kComboFieldHeight, kComboItemHeight + 2);
        box->scrollBar = (cs->style & WS_VSCROLL) != 0;
        w->control = std::move(box);
        return DefWindowProcA(h, msg, wParam, lParam);
    }
    ComboBox *c = comboBoxOf(h);
    if (!c) return DefWindowProcA(h, msg, wParam, lParam);
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
    case WM_CREATE: {
        // The window itself is only the field; the list is a popup of its own.
        Window *w = window(h);
        MoveWindow(h, w->outer.left, w->outer.top, w->outer.right - w->outer.left, kComboFieldHeight, FALSE);
        return 0;
    }
    case WM_DESTROY:
        if (c->dropped) hideList(h, c);
        if (window(c->list)) DestroyWindow(c->list);
        c->list = nullptr;
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        if (Window *w = window(h)) backend().paintComboBox(*w, *c);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
        c->focused = true;
        repaint(h);
        notify(h, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        c->focused = false;
        repaint(h);
        if (c->dropped) closeList(h, false);
        if (window(h)) notify(h, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        if (!wParam && c->dropped) closeList(h, false);
        repaint(h);
        return 0;
    case WM_CAPTURECHANGED:
        if (c->dropped && (HWND)lParam != h) closeList(h, false);
        return 0;
    case WM_LBUTTONDOWN: onButtonDown(h, c, pt); return 0;
    case WM_MOUSEMOVE: onMove(h, c, pt); return 0;
    case WM_LBUTTONUP: onButtonUp(h, c, pt); return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        if (!c->dropped) return 0;
        ComboListLayout l = c->layout();
        POINT p = toList(h, c, pt);
        if (p.x < 0 || p.y < 0 || p.x >= l.width || p.y >= l.height) closeList(h, false);
        return 0;
    }
    case WM_MOUSEWHEEL: onWheel(h, c, wParam); return 0;
    case WM_KEYDOWN: onKey(h, c, wParam); return 0;
    case WM_CHAR: onChar(h, c, wParam); return 0;
    case WM_GETTEXT: {
        if (!wParam || !lParam) return 0;
        const std::string *t = c->items.text(c->items.selected());
        size_t n = t ? std::min(t->size(), (size_t)wParam - 1) : 0;
        if (n) std::memcpy(reinterpret_cast<char *>(lParam), t->data(), n);
        reinterpret_cast<char *>(lParam)[n] = 0;
        return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: {
        const std::string *t = c->items.text(c->items.selected());
        return t ? (LRESULT)t->size() : 0;
    }
    case WM_SETTEXT: {
        // A drop-down list has no edit field: the text selects the item that has it.
        int found = lParam ? c->items.find(-1, reinterpret_cast<const char *>(lParam), true) : CB_ERR;
        if (found == CB_ERR) return CB_ERR;
        onComboMessage(h, c, CB_SETCURSEL, (WPARAM)found, 0);
        return TRUE;
    }
    default:
        if (msg >= CB_GETEDITSEL && msg <= CB_FINDSTRINGEXACT) return onComboMessage(h, c, msg, wParam, lParam);
        return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// The popup list only paints: with the list open the combo box has the mouse captured.
LRESULT CALLBACK comboListProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        Window *w = window(h);
        ComboBox *c = comboBoxOf((HWND)GetWindowLongPtrA(h, GWLP_USERDATA));
        if (w && c) backend().paintComboList(*w, *c);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_MOUSEWHEEL:
        // The wheel over the list scrolls it: the combo box knows how.
        return SendMessageA((HWND)GetWindowLongPtrA(h, GWLP_USERDATA), msg, wParam, lParam);
    default: return DefWindowProcA(h, msg, wParam, lParam);
    }
}

void registerSystemClasses() {
    bool &done = state().classes.systemClasses;
    if (done) return;
    done = true;
    WindowClass c;
    c.system = true;
    c.cursor = LoadCursorA(nullptr, IDC_ARROW);
    c.name = "COMBOBOX";
    c.proc = comboBoxProc;
    registerClass(c);
    c.name = "ComboLBox";
    c.proc = comboListProc;
    registerClass(c);
    c.name = "#32770";  // the dialog class, as on Win32
    c.proc = messageBoxProc;
    registerClass(c);
}

}  // namespace vela::core
