// Drawing of the message box (the Windows 10 look): the text on white, the buttons on a
// grey band, the focused button outlined in blue.
//
// Supported: any number of text lines and buttons laid out by the core, pressed and
// focused buttons, text in any script the installed fonts cover.
// Not supported: icons.
#include "x11/text.h"

#include "core/controls.h"

namespace vela::x11 {

void X11Backend::paintMessageBox(core::Window &w, const core::MessageBoxState &box) {
    Canvas c(w);
    if (!c.ok()) return;
    const int width = c.width(), height = c.height();
    c.fill(RECT{0, 0, width, box.bandTop}, 0xFFFFFF);
    c.fill(RECT{0, box.bandTop, width, height}, 0xF0F0F0);
    for (size_t i = 0; i < box.lines.size(); ++i) {
        int top = box.textOrigin.y + (int)i * box.lineHeight;
        c.text(RECT{box.textOrigin.x, top, width - core::kMsgMargin, top + box.lineHeight}, box.lines[i], 0x000000);
    }
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        const core::MessageBoxButton &b = box.buttons[i];
        bool pressed = (int)i == box.pressed && box.pressedInside;
        bool focused = (int)i == box.focus;
        c.fill(b.rect, pressed ? 0xCCE4F7 : 0xE1E1E1);
        uint32_t border = pressed ? 0x005499 : focused ? 0x0078D7 : 0xADADAD;
        c.frame(b.rect, border);
        if (focused) c.frame(RECT{b.rect.left + 1, b.rect.top + 1, b.rect.right - 1, b.rect.bottom - 1}, border);
        c.text(b.rect, b.label, 0x000000, Align::Center);
    }
    c.show();
}

}  // namespace vela::x11
