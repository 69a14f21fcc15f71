// MessageBoxA: a top-level window with the text and its buttons, and the modal loop.
//
// Supported:
//  - MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL,
//    MB_DEFBUTTON1-3; an owner window is disabled while its box is open
//  - text and caption in code page 932; lines split at '\n', wrapped to the screen, cut
//    with an ellipsis when the screen is full; the box centred on the screen
//  - Enter and Space press the focused button, Escape and the close request answer the
//    Cancel (or the only OK) button, Tab and the arrows move the focus, Y/N/A/R/I
//  - the loop dispatches every window's messages; a WM_QUIT ends the box and is posted again
// Not supported: icons (MB_ICON* show none), MB_HELP, system- and task-modal boxes.
#include "core/controls.h"
#include <windowsx.h>

#include "core/codepage.h"

#include <algorithm>

namespace vela::core {

MessageBoxState *messageBoxOf(HWND hwnd) {
    DWORD saved = GetLastError();
    Window *w = window(hwnd);
    SetLastError(saved);
    return w ? dynamic_cast<MessageBoxState *>(w->control.get()) : nullptr;
}

namespace {

struct ButtonSpec {
    int id;
    const char *label;
    char mnemonic;
};

std::vector<ButtonSpec> buttonsFor(UINT type) {
    const ButtonSpec ok{IDOK, "OK", 0}, cancel{IDCANCEL, "Cancel", 0}, abort{IDABORT, "Abort", 'A'},
        retry{IDRETRY, "Retry", 'R'}, ignore{IDIGNORE, "Ignore", 'I'}, yes{IDYES, "Yes", 'Y'}, no{IDNO, "No", 'N'};
    switch (type & MB_TYPEMASK) {
    case MB_OK: return {ok};
    case MB_OKCANCEL: return {ok, cancel};
    case MB_ABORTRETRYIGNORE: return {abort, retry, ignore};
    case MB_YESNOCANCEL: return {yes, no, cancel};
    case MB_YESNO: return {yes, no};
    case MB_RETRYCANCEL: return {retry, cancel};
    default: return {};
    }
}

int utf8Next(const std::string &s, size_t i) {
    ++i;
    while (i < s.size() && ((unsigned char)s[i] & 0xC0) == 0x80) ++i;
    return (int)i;
}

int widthOf(const std::string &s) { return s.empty() ? 0 : backend().textExtent(s).cx; }

// Splits one line of text into lines no wider than maxWidth, at spaces where it can.
void wrap(const std::string &line, int maxWidth, size_t maxLines, std::vector<std::string> &out) {
    std::string rest = line;
    while (out.size() < maxLines && widthOf(rest) > maxWidth) {
        std::vector<size_t> ends;  // byte offsets after each character
        for (size_t i = 0; i < rest.size(); i = utf8Next(rest, i)) ends.push_back(utf8Next(rest, i));
        // The most characters that fit, at least one.
        size_t lo = 1, hi = ends.size();
        while (lo < hi) {
            size_t mid = (lo + hi + 1) / 2;
            if (widthOf(rest.substr(0, ends[mid - 1])) <= maxWidth)
                lo = mid;
            else
                hi = mid - 1;
        }
        size_t cut = ends[lo - 1];
        size_t space = rest.rfind(' ', cut);
        if (space != std::string::npos && space > 0 && cut < rest.size()) cut = space;
        out.push_back(rest.substr(0, cut));
        size_t next = rest.find_first_not_of(' ', cut);
        rest = next == std::string::npos ? "" : rest.substr(next);
        if (rest.empty()) return;
    }
    if (out.size() < maxLines) out.push_back(rest);
}

void setResult(HWND h, MessageBoxState *box, int id) {
    if (box->result) return;
    box->result = id;
    // Hidden at once; the loop that owns the box destroys it when it next runs.
    ShowWindow(h, SW_HIDE);
}

int buttonAt(const MessageBoxState *box, POINT pt) {
    for (size_t i = 0; i < box->buttons.size(); ++i) {
        const RECT &r = box->buttons[i].rect;
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return (int)i;
    }
    return -1;
}

void onKey(HWND h, MessageBoxState *box, WPARAM vk) {
    int n = (int)box->buttons.size();
    switch (vk) {
    case VK_RETURN:
    case VK_SPACE: setResult(h, box, box->buttons[box->focus].id); return;
    case VK_ESCAPE:
        if (box->cancelId) setResult(h, box, box->cancelId);
        return;
    case VK_TAB:
    case VK_RIGHT:
    case VK_DOWN: box->focus = (box->focus + 1) % n; break;
    case VK_LEFT:
    case VK_UP: box->focus = (box->focus + n - 1) % n; break;
    default:
        for (auto &b : box->buttons)
            if (b.mnemonic && (WPARAM)b.mnemonic == vk) setResult(h, box, b.id);
        return;
    }
    InvalidateRect(h, nullptr, FALSE);
}

}  // namespace

void layoutMessageBox(MessageBoxState &box, const std::string &text, const std::string &caption, UINT type,
                      int maxWidth, int maxHeight, SIZE *size) {
    box.lineHeight = std::max((int)backend().textExtent("Ag").cy, 1);
    int chrome = kMsgTextTop + kMsgTextTop + kMsgBandHeight;
    size_t maxLines = (size_t)std::max(1, (maxHeight - chrome) / box.lineHeight);
    int textMax = std::max(maxWidth - 2 * kMsgTextLeft, 40);

    box.lines.clear();
    bool cut = false;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (size_t t; (t = line.find('\t')) != std::string::npos;) line.replace(t, 1, "    ");
        if (box.lines.size() >= maxLines) {
            cut = true;
            break;
        }
        wrap(line, textMax, maxLines + 1, box.lines);
        if (box.lines.size() > maxLines) {
            box.lines.resize(maxLines);
            cut = true;
            break;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (cut && !box.lines.empty()) {
        // Show where the text goes on, rather than losing it silently.
        std::string &last = box.lines.back();
        while (!last.empty() && widthOf(last + "\xE2\x80\xA6") > textMax) {
            size_t i = last.size();
            while (i > 1 && ((unsigned char)last[i - 1] & 0xC0) == 0x80) --i;
            last.erase(i - 1);
        }
        last += "\xE2\x80\xA6";
    }

    int textWidth = 0;
    for (auto &l : box.lines) textWidth = std::max(textWidth, widthOf(l));

    box.buttons.clear();
    for (const ButtonSpec &b : buttonsFor(type)) box.buttons.push_back(MessageBoxButton{b.id, b.label, b.mnemonic, {}});
    int n = (int)box.buttons.size();
    int buttonsWidth = n * kMsgButtonWidth + (n - 1) * kMsgButtonGap + 2 * kMsgMargin;
    // Room for the caption in the title bar, with its close button.
    std::string title = caption;
    std::replace(title.begin(), title.end(), '\n', ' ');
    int captionWidth = widthOf(title) + 64;

    int width = std::max({kMsgTextLeft + textWidth + kMsgTextLeft, buttonsWidth, std::min(captionWidth, maxWidth), 160});
    width = std::min(width, std::max(maxWidth, buttonsWidth));
    int height = kMsgTextTop + (int)box.lines.size() * box.lineHeight + kMsgTextTop + kMsgBandHeight;

    box.textOrigin = POINT{kMsgTextLeft, kMsgTextTop};
    box.bandTop = height - kMsgBandHeight;
    int x = width - kMsgMargin - (n * kMsgButtonWidth + (n - 1) * kMsgButtonGap);
    int y = box.bandTop + (kMsgBandHeight - kMsgButtonHeight) / 2;
    for (auto &b : box.buttons) {
        b.rect = RECT{x, y, x + kMsgButtonWidth, y + kMsgButtonHeight};
        x += kMsgButtonWidth + kMsgButtonGap;
    }
    int def = (int)((type & MB_DEFMASK) >> 8);
    box.focus = def < n ? def : 0;
    box.cancelId = 0;
    for (auto &b : box.buttons)
        if (b.id == IDCANCEL) box.cancelId = IDCANCEL;
    if ((type & MB_TYPEMASK) == MB_OK) box.cancelId = IDOK;
    *size = SIZE{width, height};
}

LRESULT CALLBACK messageBoxProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    MessageBoxState *box = messageBoxOf(h);
    if (!box || box->buttons.empty()) return DefWindowProcA(h, msg, wParam, lParam);
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        if (Window *w = window(h)) backend().paintMessageBox(*w, *box);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN: onKey(h, box, wParam); return 0;
    case WM_LBUTTONDOWN: {
        int i = buttonAt(box, pt);
        if (i < 0) return 0;
        box->pressed = box->focus = i;
        box->pressedInside = true;
        SetCapture(h);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (box->pressed >= 0 && (buttonAt(box, pt) == box->pressed) != box->pressedInside) {
            box->pressedInside = !box->pressedInside;
            InvalidateRect(h, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        int i = box->pressed;
        if (i < 0) return 0;
        bool inside = buttonAt(box, pt) == i;
        box->pressed = -1;
        if (GetCapture() == h) ReleaseCapture();
        InvalidateRect(h, nullptr, FALSE);
        if (inside) setResult(h, box, box->buttons[i].id);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (box->pressed >= 0 && (HWND)lParam != h) {
            box->pressed = -1;
            InvalidateRect(h, nullptr, FALSE);
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE) break;
        [[fallthrough]];
    case WM_CLOSE:
        // NOTE: a box without Cancel can't be closed, as on Win32 (except MB_OK).
        if (box->cancelId) setResult(h, box, box->cancelId);
        return 0;
    default: break;
    }
    return DefWindowProcA(h, msg, wParam, lParam);
}

}  // namespace vela::core

using namespace vela::core;

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    registerSystemClasses();
    if (owner && !window(owner)) return 0;
    std::vector<ButtonSpec> buttons = buttonsFor(type);
    if (buttons.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // What a box that ends unanswered gives: Cancel where there is one, else the last button.
    int unanswered = buttons.back().id;
    for (auto &s : buttons)
        if (s.id == IDCANCEL) unanswered = IDCANCEL;
    if ((type & MB_TYPEMASK) == MB_OK) unanswered = IDOK;

    // NOTE: a quit on its way would close the box at once; Win32 flashes it, we don't.
    MSG pending;
    if (PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return unanswered;

    const char *title = caption ? caption : "Error";
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame = frameFor(style, false);
    int screenW = backend().screenWidth(), screenH = backend().screenHeight();
    auto state = std::make_unique<MessageBoxState>();
    SIZE client;
    layoutMessageBox(*state, ansiToUtf8(text ? text : ""), ansiToUtf8(title), type,
                     screenW * 5 / 8 - frame.left - frame.right, screenH - frame.top - frame.bottom - 32, &client);
    int w = client.cx + frame.left + frame.right, h = client.cy + frame.top + frame.bottom;
    int x = std::max(0, (screenW - w) / 2), y = std::max(0, (screenH - h) / 2);

    HWND ownerTop = owner ? window(owner)->topLevel()->handle() : nullptr;
    HWND focusBefore = GetFocus();
    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", title, style, x, y, w, h, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!box) return 0;
    window(box)->control = std::move(state);
    bool disabledOwner = ownerTop && !EnableWindow(ownerTop, FALSE);
    ShowWindow(box, SW_SHOW);

    int result = 0;
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        MessageBoxState *s = messageBoxOf(box);
        if (!s) break;  // destroyed by someone else
        if (s->result) {
            result = s->result;
            break;
        }
        MSG m;
        BOOL r = GetMessageA(&m, nullptr, 0, 0);
        if (r == 0) {
            quit = true;
            quitCode = (int)m.wParam;
            break;
        }
        if (r == -1) break;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    if (disabledOwner && IsWindow(ownerTop)) EnableWindow(ownerTop, TRUE);
    if (IsWindow(box)) DestroyWindow(box);
    if (focusBefore && IsWindow(focusBefore)) SetFocus(focusBefore);
    if (quit) PostQuitMessage(quitCode);
    return result ? result : unanswered;
}
