// The built-in controls without a display: the combo box's list and its state, the
// message box's layout. The backend draws them from this state.
#pragma once

#include "core/core.h"

#include <string>
#include <vector>

namespace vela::core {

// Fixed metrics (Windows 10 at 96 DPI), so laying out a combo box needs no font.
constexpr int kComboFieldHeight = 24;
constexpr int kComboItemHeight = 18;
constexpr int kComboArrowWidth = 17;
constexpr int kScrollBarWidth = 17;
constexpr int kWheelLines = 3;

// Compares two code page 932 strings as Win32's sorted lists do: ASCII letters without
// case, double-byte characters as they are.
int compareAnsiNoCase(const std::string &a, const std::string &b);

// The items of a combo box and its selection: what the CB_ messages act on.
class ComboItems {
public:
    explicit ComboItems(bool sorted = false) : sorted_(sorted) {}

    int add(const std::string &text);  // the index; sorted with CBS_SORT
    int insert(int index, const std::string &text);  // -1: at the end; never sorted
    int remove(int index);  // the count left, or CB_ERR
    void clear();
    int count() const { return (int)items_.size(); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    const std::string *text(int index) const { return valid(index) ? &items_[index].text : nullptr; }
    LPARAM data(int index) const { return valid(index) ? items_[index].data : CB_ERR; }
    bool setData(int index, LPARAM data);
    int selected() const { return selected_; }
    // A bad index (or -1) leaves no selection and gives CB_ERR.
    int select(int index);
    // The first item after `after` (wrapping) that starts with / equals `text`, no case.
    int find(int after, const std::string &text, bool exact) const;

private:
    struct Item {
        std::string text;
        LPARAM data = 0;
    };
    std::vector<Item> items_;
    bool sorted_;
    int selected_ = -1;
};

// Where the parts of the dropped list are, in the list window's client coordinates.
struct ComboListLayout {
    int width = 0, height = 0;  // of the list window
    int visible = 0;            // rows that fit
    bool scroll = false;        // a scroll bar: WS_VSCROLL and more items than rows
    RECT rows{};                // the item rows' area
    RECT up{}, down{}, track{}, thumb{};  // the scroll bar, when there is one
    int maxTop = 0;

    RECT row(int index, int top) const;
    // The item under a point, or -1.
    int itemAt(POINT pt, int top, int count) const;
};

// The state of one COMBOBOX window (CBS_DROPDOWNLIST).
struct ComboBox : ControlHooks {
    ComboItems items;
    HWND list = nullptr;      // the popup list, made at the first drop-down
    int dropHeight = 0;       // the list's greatest height
    bool scrollBar = true;    // WS_VSCROLL: a scroll bar when the items don't fit
    bool dropped = false;
    bool focused = false;
    int hot = -1;             // the highlighted item of the open list
    int top = 0;              // the first visible item of the open list
    // What the left button went down on while the list is open.
    enum class Press { Idle, Field, Item, Up, Down, PageUp, PageDown, Thumb } press = Press::Idle;
    int thumbGrab = 0;        // pointer offset inside the thumb while dragging it

    ComboListLayout layout() const;  // for the list window's current width
    int listWidth = 0;
};

// A button of a message box.
struct MessageBoxButton {
    int id = 0;
    std::string label;
    char mnemonic = 0;  // the key that presses it, 0 for none
    RECT rect{};
};

// The state of one message box window: its laid-out text and buttons.
struct MessageBoxState : ControlHooks {
    std::vector<std::string> lines;  // UTF-8, wrapped to the box
    int lineHeight = 16;
    POINT textOrigin{};              // top-left of the first line
    int bandTop = 0;                 // the button band's top edge
    std::vector<MessageBoxButton> buttons;
    int focus = 0;                   // index of the focused button
    int pressed = -1;                // index of the button held down with the mouse
    bool pressedInside = false;
    int cancelId = 0;                // what Escape and closing give; 0: they do nothing
    int result = 0;                  // set when the box is answered
};

// Message box metrics (Windows 10 at 96 DPI).
constexpr int kMsgButtonWidth = 88;
constexpr int kMsgButtonHeight = 26;
constexpr int kMsgButtonGap = 8;
constexpr int kMsgMargin = 12;
constexpr int kMsgTextLeft = 24;
constexpr int kMsgTextTop = 26;
constexpr int kMsgBandHeight = 44;

// Lays out a message box for its text and type; the client size comes back in `size`.
// Lines are wrapped at `maxWidth` pixels and cut to fit `maxHeight`.
void layoutMessageBox(MessageBoxState &box, const std::string &utf8Text, const std::string &utf8Caption,
                      UINT type, int maxWidth, int maxHeight, SIZE *size);

LRESULT CALLBACK comboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK comboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK messageBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The state of a built-in control window, or null when it is not one.
ComboBox *comboBoxOf(HWND hwnd);
MessageBoxState *messageBoxOf(HWND hwnd);

}  // namespace vela::core
