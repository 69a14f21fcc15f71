// The UI font and the off-screen canvas the controls are drawn on.
//
// Supported: one proportional UI font at 9 pt (12 px at 96 DPI) chosen by fontconfig for
// Japanese text, other installed fonts for the characters it lacks; anti-aliased text;
// fills, outlines, dotted focus outlines, lines.
// Not supported: font choice by the application (WM_SETFONT), right-to-left text.
#include "x11/text.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace vela::x11 {
namespace {

constexpr double kPixelSize = 12.0;

struct Fonts {
    FcPattern *pattern = nullptr;
    FcFontSet *sorted = nullptr;
    std::vector<XftFont *> opened;  // by index in `sorted`, null until needed
    XftFont *primary = nullptr;
    FontMetrics metrics;
    std::unordered_map<FcChar32, XftFont *> byChar;
};

XftFont *openSorted(Fonts &f, int i) {
    if (!f.sorted || i < 0 || i >= f.sorted->nfont) return nullptr;
    if (!f.opened[i]) {
        FcPattern *p = FcFontRenderPrepare(nullptr, f.pattern, f.sorted->fonts[i]);
        if (p) {
            f.opened[i] = XftFontOpenPattern(state().display, p);
            if (!f.opened[i]) FcPatternDestroy(p);
        }
    }
    return f.opened[i];
}

// Opened on first use: fontconfig's start-up is too slow to sit before the first frame.
Fonts &fonts() {
    static Fonts f = [] {
        Fonts f;
        Display *d = state().display;
        f.pattern = FcNameParse((const FcChar8 *)"sans-serif:lang=ja");
        FcPatternAddDouble(f.pattern, FC_PIXEL_SIZE, kPixelSize);
        FcConfigSubstitute(nullptr, f.pattern, FcMatchPattern);
        XftDefaultSubstitute(d, state().screen, f.pattern);
        FcResult result;
        f.sorted = FcFontSort(nullptr, f.pattern, FcTrue, nullptr, &result);
        if (f.sorted) f.opened.assign((size_t)f.sorted->nfont, nullptr);
        for (int i = 0; f.sorted && i < f.sorted->nfont && !f.primary; ++i) f.primary = openSorted(f, i);
        if (!f.primary) f.primary = XftFontOpenName(d, state().screen, "sans-serif:pixelsize=12");
        if (f.primary) {
            f.metrics.ascent = f.primary->ascent;
            f.metrics.descent = f.primary->descent;
        } else {
            std::fprintf(stderr, "x11: no font for the controls' text (fontconfig found none)\n");
        }
        return f;
    }();
    return f;
}

XftFont *fontFor(FcChar32 c) {
    Fonts &f = fonts();
    if (!f.primary) return nullptr;
    if (XftCharExists(state().display, f.primary, c)) return f.primary;
    auto it = f.byChar.find(c);
    if (it != f.byChar.end()) return it->second;
    XftFont *found = f.primary;  // draws the missing-glyph box when no font has it
    for (int i = 0; f.sorted && i < f.sorted->nfont; ++i) {
        FcCharSet *set = nullptr;
        if (FcPatternGetCharSet(f.sorted->fonts[i], FC_CHARSET, 0, &set) != FcResultMatch) continue;
        if (!FcCharSetHasChar(set, c)) continue;
        if (XftFont *font = openSorted(f, i)) {
            found = font;
            break;
        }
    }
    f.byChar.emplace(c, found);
    return found;
}

struct Run {
    XftFont *font;
    size_t begin, end;  // bytes
};

// Splits text into runs of one font each; invalid bytes are skipped.
std::vector<Run> runsOf(const std::string &utf8, std::string &clean) {
    std::vector<Run> runs;
    clean.clear();
    const auto *p = (const FcChar8 *)utf8.data();
    size_t i = 0, n = utf8.size();
    while (i < n) {
        FcChar32 c;
        int len = FcUtf8ToUcs4(p + i, &c, (int)(n - i));
        if (len <= 0) {
            ++i;
            continue;
        }
        XftFont *font = fontFor(c);
        if (!font) return {};
        if (runs.empty() || runs.back().font != font) runs.push_back(Run{font, clean.size(), clean.size()});
        clean.append(utf8, i, (size_t)len);
        runs.back().end = clean.size();
        i += (size_t)len;
    }
    return runs;
}

int runWidth(const Run &r, const std::string &clean) {
    XGlyphInfo info;
    XftTextExtentsUtf8(state().display, r.font, (const FcChar8 *)clean.data() + r.begin, (int)(r.end - r.begin),
                       &info);
    return info.xOff;
}

XftColor colour(NativeWindow *n, uint32_t rgb) {
    XRenderColor rc;
    rc.red = (unsigned short)(((rgb >> 16) & 0xff) * 257);
    rc.green = (unsigned short)(((rgb >> 8) & 0xff) * 257);
    rc.blue = (unsigned short)((rgb & 0xff) * 257);
    rc.alpha = 0xffff;
    XftColor c{};
    XftColorAllocValue(state().display, n->visual, n->colormap, &rc, &c);
    return c;
}

}  // namespace

const FontMetrics &uiFontMetrics() { return fonts().metrics; }

int textWidth(const std::string &utf8) {
    std::string clean;
    int w = 0;
    for (const Run &r : runsOf(utf8, clean)) w += runWidth(r, clean);
    return w;
}

Canvas::Canvas(core::Window &w) : native_(native(w)) {
    if (!native_ || !native_->xid) return;
    width_ = std::max(w.clientWidth(), 1);
    height_ = std::max(w.clientHeight(), 1);
    Display *d = state().display;
    pixmap_ = XCreatePixmap(d, native_->xid, (unsigned)width_, (unsigned)height_, (unsigned)native_->depth);
    gc_ = XCreateGC(d, pixmap_, 0, nullptr);
}

Canvas::~Canvas() {
    Display *d = state().display;
    if (draw_) XftDrawDestroy(draw_);
    if (gc_) XFreeGC(d, gc_);
    if (pixmap_) XFreePixmap(d, pixmap_);
}

void Canvas::fill(const RECT &r, uint32_t rgb) {
    if (!ok() || r.right <= r.left || r.bottom <= r.top) return;
    XSetForeground(state().display, gc_, pixelFor(rgb));
    XFillRectangle(state().display, pixmap_, gc_, r.left, r.top, (unsigned)(r.right - r.left),
                   (unsigned)(r.bottom - r.top));
}

void Canvas::frame(const RECT &r, uint32_t rgb) {
    if (!ok() || r.right - r.left < 1 || r.bottom - r.top < 1) return;
    XSetForeground(state().display, gc_, pixelFor(rgb));
    XDrawRectangle(state().display, pixmap_, gc_, r.left, r.top, (unsigned)(r.right - r.left - 1),
                   (unsigned)(r.bottom - r.top - 1));
}

void Canvas::focusFrame(const RECT &r, uint32_t rgb) {
    if (!ok()) return;
    XSetForeground(state().display, gc_, pixelFor(rgb));
    for (int x = r.left; x < r.right; x += 2) {
        XDrawPoint(state().display, pixmap_, gc_, x, r.top);
        XDrawPoint(state().display, pixmap_, gc_, x, r.bottom - 1);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        XDrawPoint(state().display, pixmap_, gc_, r.left, y);
        XDrawPoint(state().display, pixmap_, gc_, r.right - 1, y);
    }
}

void Canvas::line(int x0, int y0, int x1, int y1, uint32_t rgb) {
    if (!ok()) return;
    XSetForeground(state().display, gc_, pixelFor(rgb));
    XDrawLine(state().display, pixmap_, gc_, x0, y0, x1, y1);
}

void Canvas::text(const RECT &box, const std::string &utf8, uint32_t rgb, Align align) {
    if (!ok() || utf8.empty() || box.right <= box.left || box.bottom <= box.top) return;
    std::string clean;
    std::vector<Run> runs = runsOf(utf8, clean);
    if (runs.empty()) return;
    Display *d = state().display;
    if (!draw_) draw_ = XftDrawCreate(d, pixmap_, native_->visual, native_->colormap);
    if (!draw_) return;
    XRectangle clip{(short)box.left, (short)box.top, (unsigned short)(box.right - box.left),
                    (unsigned short)(box.bottom - box.top)};
    XftDrawSetClipRectangles(draw_, 0, 0, &clip, 1);
    const FontMetrics &m = uiFontMetrics();
    int x = box.left;
    if (align == Align::Center) {
        int w = 0;
        for (const Run &r : runs) w += runWidth(r, clean);
        x = box.left + (box.right - box.left - w) / 2;
    }
    int baseline = box.top + (box.bottom - box.top - m.height() + 1) / 2 + m.ascent;
    XftColor c = colour(native_, rgb);
    for (const Run &r : runs) {
        XftDrawStringUtf8(draw_, &c, r.font, x, baseline, (const FcChar8 *)clean.data() + r.begin,
                          (int)(r.end - r.begin));
        x += runWidth(r, clean);
    }
    XftColorFree(d, native_->visual, native_->colormap, &c);
    XftDrawSetClip(draw_, 0);
}

void Canvas::show() {
    if (!ok()) return;
    XCopyArea(state().display, pixmap_, native_->xid, gc_, 0, 0, (unsigned)width_, (unsigned)height_, 0, 0);
}

}  // namespace vela::x11
