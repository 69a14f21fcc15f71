// Drawing for the built-in controls: the UI font, opened on first use, and a canvas that
// paints off screen and shows the result in one copy, so nothing flickers.
#pragma once

#include "x11/x11_platform.h"

#include <X11/Xft/Xft.h>

#include <string>

namespace vela::x11 {

struct FontMetrics {
    int ascent = 10, descent = 3;
    int height() const { return ascent + descent; }
};

// The UI font's line metrics and the width of a line of UTF-8 text.
const FontMetrics &uiFontMetrics();
int textWidth(const std::string &utf8);

enum class Align { Left, Center };

class Canvas {
public:
    explicit Canvas(core::Window &w);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    bool ok() const { return pixmap_ != 0; }
    int width() const { return width_; }
    int height() const { return height_; }

    void fill(const RECT &r, uint32_t rgb);
    void frame(const RECT &r, uint32_t rgb);  // a one-pixel outline inside r
    void focusFrame(const RECT &r, uint32_t rgb);  // a dotted outline inside r
    void line(int x0, int y0, int x1, int y1, uint32_t rgb);
    // One line of text, vertically centred in `box` and clipped to it.
    void text(const RECT &box, const std::string &utf8, uint32_t rgb, Align align = Align::Left);

    // Copies what was drawn to the window.
    void show();

private:
    NativeWindow *native_ = nullptr;
    Pixmap pixmap_ = 0;
    GC gc_ = nullptr;
    XftDraw *draw_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace vela::x11
