// Drawing of the combo box and its popup list, with the Windows 10 look.
//
// Supported: the field (normal, focused, dropped, disabled), the arrow, the list with its
// highlighted item and scroll bar, text in any script the installed fonts cover.
// Not supported: hover highlight of the closed field (no leave events are tracked).
#include "x11/text.h"

#include "core/codepage.h"
#include "core/controls.h"


namespace vela::x11 {
namespace {

constexpr uint32_t kFace = 0xE1E1E1, kBorder = 0xADADAD, kFocusBorder = 0x0078D7, kDroppedFace = 0xCCE4F7,
                   kDroppedBorder = 0x005499, kDisabledFace = 0xCCCCCC, kDisabledBorder = 0xBFBFBF,
                   kDisabledText = 0x838383, kHighlight = 0x0078D7, kArrow = 0x606060, kListBorder = 0x646464,
                   kTrack = 0xF0F0F0, kThumb = 0xCDCDCD, kThumbPressed = 0x606060;

// A small chevron pointing down (or up) centred in r.
void chevron(Canvas &c, const RECT &r, bool down, uint32_t rgb) {
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int t = 0; t < 2; ++t) {
        int y = down ? cy - 2 + t : cy + 1 + t;
        int dy = down ? 3 : -3;
        c.line(cx - 4, y, cx - 1, y + dy, rgb);
        c.line(cx, y + dy, cx + 3, y, rgb);
    }
}

std::string itemText(const core::ComboBox &box, int index) {
    const std::string *t = box.items.text(index);
    return t ? core::ansiToUtf8(*t) : std::string();
}

}  // namespace

void X11Backend::paintComboBox(core::Window &w, const core::ComboBox &box) {
    Canvas c(w);
    if (!c.ok()) return;
    const int width = c.width(), height = c.height();
    bool enabled = w.enabled;
    uint32_t face = !enabled ? kDisabledFace : box.dropped ? kDroppedFace : kFace;
    uint32_t border = !enabled ? kDisabledBorder : box.dropped ? kDroppedBorder : box.focused ? kFocusBorder : kBorder;
    c.fill(RECT{0, 0, width, height}, face);
    c.frame(RECT{0, 0, width, height}, border);

    RECT field{3, 3, width - core::kComboArrowWidth - 1, height - 3};
    uint32_t ink = enabled ? 0x000000 : kDisabledText;
    bool selected = box.items.selected() >= 0;
    if (enabled && box.focused && !box.dropped) {
        if (selected) {
            c.fill(field, kHighlight);
            ink = 0xFFFFFF;
        } else {
            c.focusFrame(field, 0x000000);
        }
    }
    c.text(RECT{field.left + 2, field.top, field.right - 2, field.bottom}, itemText(box, box.items.selected()), ink);
    chevron(c, RECT{width - core::kComboArrowWidth - 1, 0, width - 1, height}, true,
            enabled ? kArrow : kDisabledBorder);
    c.show();
}

void X11Backend::paintComboList(core::Window &list, const core::ComboBox &box) {
    Canvas c(list);
    if (!c.ok()) return;
    core::ComboListLayout l = box.layout();
    c.fill(RECT{0, 0, c.width(), c.height()}, 0xFFFFFF);
    c.frame(RECT{0, 0, c.width(), c.height()}, kListBorder);
    for (int i = box.top; i < box.items.count() && i < box.top + l.visible; ++i) {
        RECT r = l.row(i, box.top);
        uint32_t ink = 0x000000;
        if (i == box.hot) {
            c.fill(r, kHighlight);
            ink = 0xFFFFFF;
        }
        c.text(RECT{r.left + 3, r.top, r.right - 2, r.bottom}, itemText(box, i), ink);
    }
    if (l.scroll) {
        c.fill(RECT{l.up.left, l.up.top, l.down.right, l.down.bottom}, kTrack);
        chevron(c, l.up, false, kArrow);
        chevron(c, l.down, true, kArrow);
        bool dragging = box.press == core::ComboBox::Press::Thumb;
        c.fill(RECT{l.thumb.left + 2, l.thumb.top, l.thumb.right - 2, l.thumb.bottom}, dragging ? kThumbPressed : kThumb);
    }
    c.show();
}

}  // namespace vela::x11
