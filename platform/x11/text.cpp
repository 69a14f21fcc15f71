// The UI font and the off-screen canvas the controls are drawn on.
//
// Supported: one proportional UI font at 12 px chosen by fontconfig for Japanese text, other
// installed fonts for the characters it lacks, anti-aliased (Xft); where fontconfig has no
// font for a character, or Xft can't be loaded, the X server's core fonts (ISO 10646 first),
// with one line on stderr naming the core font used; what no font at all can show is drawn
// as '?', with one line saying so. Fills, outlines, dotted focus outlines.
// Not supported: font choice by the application (WM_SETFONT), right-to-left text.
#include "x11/text.h"

#include "x11/xft.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace vela::x11 {

// A font of either kind: Xft (fontconfig's) or an X core font.
struct Face {
    XftFont *xft = nullptr;
    XFontStruct *core = nullptr;
    std::string name;  // of a core font
    bool reported = false;  // its use as a fallback was told
    bool toldMissing = false;  // that it lacks characters of the text was told
};

struct Fonts {
    XftLib xft;
    bool haveXft = false;
    FcPattern *pattern = nullptr;
    FcFontSet *sorted = nullptr;
    std::vector<Face *> sortedFaces;  // by index in `sorted`, null until needed
    std::vector<std::unique_ptr<Face>> faces;
    Face *primary = nullptr;
    FontMetrics metrics;
    std::unordered_map<char32_t, Face *> byChar;
    bool listed = false;
    std::vector<std::string> coreCandidates;  // ISO 10646 core fonts, nearest the UI size first
    size_t coreTried = 0;                     // how many of them are loaded
};

namespace {

constexpr double kPixelSize = 12.0;
constexpr int kCorePixelSize = 13;
constexpr size_t kMaxCoreFontsLoaded = 16;

Display *dpy() { return state().display; }

Face *addFace(Fonts &f, std::unique_ptr<Face> face) {
    f.faces.push_back(std::move(face));
    return f.faces.back().get();
}

Face *openCore(Fonts &f, const std::string &name) {
    XFontStruct *font = XLoadQueryFont(dpy(), name.c_str());
    if (!font) return nullptr;
    auto face = std::make_unique<Face>();
    face->core = font;
    face->name = name;
    return addFace(f, std::move(face));
}

// Two-byte core fonts are indexed by UCS-2; one-byte ones by Latin-1, the same up to 0xFF.
bool twoByte(const XFontStruct *font) { return font->max_byte1 > 0; }

bool coreHas(const XFontStruct *font, char32_t c) {
    if (c > 0xFFFF || (!twoByte(font) && c > 0xFF)) return false;
    unsigned b1 = twoByte(font) ? c >> 8 : 0, b2 = twoByte(font) ? c & 0xFF : c;
    if (b1 < font->min_byte1 || b1 > font->max_byte1 || b2 < font->min_char_or_byte2 ||
        b2 > font->max_char_or_byte2)
        return false;
    if (!font->per_char) return true;
    unsigned columns = font->max_char_or_byte2 - font->min_char_or_byte2 + 1;
    const XCharStruct &g = font->per_char[(b1 - font->min_byte1) * columns + (b2 - font->min_char_or_byte2)];
    return g.width || g.ascent || g.descent || g.lbearing || g.rbearing;
}

bool has(Fonts &f, Face *face, char32_t c) {
    if (face->xft) return f.xft.XftCharExists(dpy(), face->xft, c);
    return coreHas(face->core, c);
}

Face *openSorted(Fonts &f, int i) {
    if (!f.sorted || i < 0 || i >= f.sorted->nfont) return nullptr;
    if (!f.sortedFaces[i]) {
        FcPattern *p = f.xft.FcFontRenderPrepare(nullptr, f.pattern, f.sorted->fonts[i]);
        XftFont *font = p ? f.xft.XftFontOpenPattern(dpy(), p) : nullptr;
        if (!font) {
            if (p) f.xft.FcPatternDestroy(p);
            return nullptr;
        }
        auto face = std::make_unique<Face>();
        face->xft = font;
        f.sortedFaces[i] = addFace(f, std::move(face));
    }
    return f.sortedFaces[i];
}

void openXft(Fonts &f, std::string &why) {
    if (!loadXft(f.xft, why)) return;
    f.haveXft = true;
    f.pattern = f.xft.FcNameParse((const FcChar8 *)"sans-serif:lang=ja");
    f.xft.FcPatternAddDouble(f.pattern, FC_PIXEL_SIZE, kPixelSize);
    f.xft.FcConfigSubstitute(nullptr, f.pattern, FcMatchPattern);
    f.xft.XftDefaultSubstitute(dpy(), state().screen, f.pattern);
    FcResult result;
    f.sorted = f.xft.FcFontSort(nullptr, f.pattern, FcTrue, nullptr, &result);
    if (f.sorted) f.sortedFaces.assign((size_t)f.sorted->nfont, nullptr);
    for (int i = 0; f.sorted && i < f.sorted->nfont && !f.primary; ++i) f.primary = openSorted(f, i);
    if (!f.primary) why = "fontconfig found no font";
}

int pixelSizeOf(const std::string &xlfd) {
    // -foundry-family-weight-slant-setwidth-addstyle-PIXELSIZE-...: after the seventh dash.
    size_t at = 0;
    for (int dash = 2; dash <= 7 && at != std::string::npos; ++dash) at = xlfd.find('-', at + 1);
    return at == std::string::npos ? 0 : std::atoi(xlfd.c_str() + at + 1);
}

// Listed only when a core font is needed: the server may have hundreds.
const std::vector<std::string> &coreCandidates(Fonts &f) {
    if (f.listed) return f.coreCandidates;
    f.listed = true;
    int count = 0;
    char **names = XListFonts(dpy(), "-*-*-medium-r-*-*-*-*-*-*-*-*-iso10646-1", 1000, &count);
    for (int i = 0; i < count; ++i)
        if (pixelSizeOf(names[i]) > 0) f.coreCandidates.push_back(names[i]);  // 0: scalable, drawn badly
    if (names) XFreeFontNames(names);
    std::stable_sort(f.coreCandidates.begin(), f.coreCandidates.end(), [](const std::string &a, const std::string &b) {
        return std::abs(pixelSizeOf(a) - kCorePixelSize) < std::abs(pixelSizeOf(b) - kCorePixelSize);
    });
    return f.coreCandidates;
}

// The core font that stands in for all text when Xft has nothing: ISO 10646 when the server
// has one, else "fixed", which every X server has built in.
Face *openCorePrimary(Fonts &f) {
    for (const std::string &name : coreCandidates(f))
        if (Face *face = openCore(f, name)) return face;
    return openCore(f, "fixed");
}

Fonts &fonts() {
    State &s = state();
    if (s.fonts) return *s.fonts;
    s.fonts = new Fonts;
    Fonts &f = *s.fonts;
    std::string why;
    openXft(f, why);
    if (!f.primary) {
        f.primary = openCorePrimary(f);
        if (f.primary) {
            f.primary->reported = true;
            std::fprintf(stderr, "x11: %s for the controls' text; using the X core font '%s'\n", why.c_str(),
                         f.primary->name.c_str());
        } else {
            std::fprintf(stderr, "x11: no font for the controls' text (%s, and no X core font loads)\n", why.c_str());
        }
    }
    if (f.primary) {
        f.metrics.ascent = f.primary->xft ? f.primary->xft->ascent : f.primary->core->ascent;
        f.metrics.descent = f.primary->xft ? f.primary->xft->descent : f.primary->core->descent;
    }
    return f;
}

// A core font that has the character, loading candidates as needed.
Face *coreFaceFor(Fonts &f, char32_t c) {
    for (auto &face : f.faces)
        if (face->core && coreHas(face->core, c)) return face.get();
    const std::vector<std::string> &candidates = coreCandidates(f);
    while (f.coreTried < candidates.size() && f.coreTried < kMaxCoreFontsLoaded) {
        const std::string &name = candidates[f.coreTried++];
        bool loaded = false;
        for (auto &face : f.faces) loaded = loaded || face->name == name;
        if (loaded) continue;
        if (Face *face = openCore(f, name); face && coreHas(face->core, c)) return face;
    }
    return nullptr;
}

Face *faceFor(char32_t c) {
    Fonts &f = fonts();
    if (!f.primary) return nullptr;
    if (has(f, f.primary, c)) return f.primary;
    auto it = f.byChar.find(c);
    if (it != f.byChar.end()) return it->second;
    Face *found = nullptr;
    for (int i = 0; f.sorted && i < f.sorted->nfont && !found; ++i) {
        FcCharSet *set = nullptr;
        if (f.xft.FcPatternGetCharSet(f.sorted->fonts[i], FC_CHARSET, 0, &set) == FcResultMatch &&
            f.xft.FcCharSetHasChar(set, c))
            found = openSorted(f, i);
    }
    if (!found && c >= 0x20 && (found = coreFaceFor(f, c)) && !found->reported) {
        found->reported = true;
        std::fprintf(stderr, "x11: no installed font has U+%04X for the controls' text; using the X core font '%s'\n",
                     (unsigned)c, found->name.c_str());
    }
    if (!found) found = f.primary;  // its missing-glyph mark, or '?' for a core font
    f.byChar.emplace(c, found);
    return found;
}

// The next character of UTF-8 text; malformed bytes come back as 0 and are skipped.
char32_t nextChar(const std::string &s, size_t &i) {
    auto b = (unsigned char)s[i++];
    if (b < 0x80) return b;
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (more < 0 || b > 0xF4) return 0;
    char32_t c = b & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
        if (i >= s.size() || ((unsigned char)s[i] & 0xC0) != 0x80) return 0;
        c = c << 6 | ((unsigned char)s[i++] & 0x3F);
    }
    return c;
}

// NOTE: a core font given a character it lacks would draw the one at its low byte (a
// one-byte font) or nothing; '?' says visibly that something is missing.
char32_t missingInCore(Face &face, char32_t c) {
    if (!face.toldMissing) {
        face.toldMissing = true;
        std::fprintf(stderr, "x11: the X core font '%s' cannot show U+%04X and other characters of the controls' "
                             "text; they are drawn as '?'\n", face.name.c_str(), (unsigned)c);
    }
    return '?';
}

struct Run {
    Face *face;
    std::string utf8;          // for an Xft face
    std::vector<XChar2b> wide;  // for a core face
};

// Splits text into runs of one face each.
std::vector<Run> runsOf(const std::string &utf8) {
    std::vector<Run> runs;
    for (size_t i = 0; i < utf8.size();) {
        size_t begin = i;
        char32_t c = nextChar(utf8, i);
        if (!c) continue;
        Face *face = faceFor(c);
        if (!face) return {};
        if (runs.empty() || runs.back().face != face) runs.push_back(Run{face, {}, {}});
        if (face->xft)
            runs.back().utf8.append(utf8, begin, i - begin);
        else {
            if (c >= 0x20 && !coreHas(face->core, c)) c = missingInCore(*face, c);
            runs.back().wide.push_back(XChar2b{(unsigned char)(c >> 8), (unsigned char)(c & 0xFF)});
        }
    }
    return runs;
}

// A one-byte core font takes the low bytes.
std::string narrow(const std::vector<XChar2b> &wide) {
    std::string s;
    for (const XChar2b &c : wide) s += (char)c.byte2;
    return s;
}

int runWidth(const Run &r) {
    if (r.face->xft) {
        XGlyphInfo info;
        fonts().xft.XftTextExtentsUtf8(dpy(), r.face->xft, (const FcChar8 *)r.utf8.data(), (int)r.utf8.size(),
                                       &info);
        return info.xOff;
    }
    if (twoByte(r.face->core)) return XTextWidth16(r.face->core, r.wide.data(), (int)r.wide.size());
    std::string s = narrow(r.wide);
    return XTextWidth(r.face->core, s.data(), (int)s.size());
}

}  // namespace

void closeFonts() {
    State &s = state();
    if (!s.fonts) return;
    Fonts &f = *s.fonts;
    for (auto &face : f.faces) {
        if (face->xft) f.xft.XftFontClose(s.display, face->xft);
        if (face->core) XFreeFont(s.display, face->core);
    }
    if (f.sorted) f.xft.FcFontSetDestroy(f.sorted);
    if (f.pattern) f.xft.FcPatternDestroy(f.pattern);
    delete s.fonts;
    s.fonts = nullptr;
}

const FontMetrics &uiFontMetrics() { return fonts().metrics; }

int textWidth(const std::string &utf8) {
    int w = 0;
    for (const Run &r : runsOf(utf8)) w += runWidth(r);
    return w;
}

SIZE X11Backend::textExtent(const std::string &utf8) {
    return SIZE{textWidth(utf8), uiFontMetrics().height() + 2};
}

Canvas::Canvas(core::Window &w) : native_(native(w)) {
    if (!native_ || !native_->xid) return;
    width_ = std::max(w.clientWidth(), 1);
    height_ = std::max(w.clientHeight(), 1);
    pixmap_ = XCreatePixmap(dpy(), native_->xid, (unsigned)width_, (unsigned)height_, (unsigned)native_->depth);
    gc_ = XCreateGC(dpy(), pixmap_, 0, nullptr);
}

Canvas::~Canvas() {
    if (draw_) state().fonts->xft.XftDrawDestroy(draw_);
    if (gc_) XFreeGC(dpy(), gc_);
    if (pixmap_) XFreePixmap(dpy(), pixmap_);
}

void Canvas::fill(const RECT &r, uint32_t rgb) {
    if (!ok() || r.right <= r.left || r.bottom <= r.top) return;
    XSetForeground(dpy(), gc_, pixelFor(rgb));
    XFillRectangle(dpy(), pixmap_, gc_, r.left, r.top, (unsigned)(r.right - r.left), (unsigned)(r.bottom - r.top));
}

void Canvas::frame(const RECT &r, uint32_t rgb) {
    if (!ok() || r.right - r.left < 1 || r.bottom - r.top < 1) return;
    XSetForeground(dpy(), gc_, pixelFor(rgb));
    XDrawRectangle(dpy(), pixmap_, gc_, r.left, r.top, (unsigned)(r.right - r.left - 1),
                   (unsigned)(r.bottom - r.top - 1));
}

void Canvas::focusFrame(const RECT &r, uint32_t rgb) {
    if (!ok()) return;
    XSetForeground(dpy(), gc_, pixelFor(rgb));
    for (int x = r.left; x < r.right; x += 2) {
        XDrawPoint(dpy(), pixmap_, gc_, x, r.top);
        XDrawPoint(dpy(), pixmap_, gc_, x, r.bottom - 1);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        XDrawPoint(dpy(), pixmap_, gc_, r.left, y);
        XDrawPoint(dpy(), pixmap_, gc_, r.right - 1, y);
    }
}

void Canvas::line(int x0, int y0, int x1, int y1, uint32_t rgb) {
    if (!ok()) return;
    XSetForeground(dpy(), gc_, pixelFor(rgb));
    XDrawLine(dpy(), pixmap_, gc_, x0, y0, x1, y1);
}

void Canvas::text(const RECT &box, const std::string &utf8, uint32_t rgb, Align align) {
    if (!ok() || utf8.empty() || box.right <= box.left || box.bottom <= box.top) return;
    std::vector<Run> runs = runsOf(utf8);
    if (runs.empty()) return;
    Fonts &f = fonts();
    const FontMetrics &m = f.metrics;
    int x = box.left;
    if (align == Align::Center) {
        int w = 0;
        for (const Run &r : runs) w += runWidth(r);
        x = box.left + (box.right - box.left - w) / 2;
    }
    int baseline = box.top + (box.bottom - box.top - m.height() + 1) / 2 + m.ascent;
    XRectangle clip{(short)box.left, (short)box.top, (unsigned short)(box.right - box.left),
                    (unsigned short)(box.bottom - box.top)};
    XftColor colour{};
    bool xftUsed = false;
    XSetForeground(dpy(), gc_, pixelFor(rgb));
    XSetClipRectangles(dpy(), gc_, 0, 0, &clip, 1, Unsorted);
    for (const Run &r : runs) {
        if (r.face->xft) {
            if (!draw_) draw_ = f.xft.XftDrawCreate(dpy(), pixmap_, native_->visual, native_->colormap);
            if (!draw_) continue;
            if (!xftUsed) {
                XRenderColor rc{(unsigned short)(((rgb >> 16) & 0xff) * 257),
                                (unsigned short)(((rgb >> 8) & 0xff) * 257), (unsigned short)((rgb & 0xff) * 257),
                                0xffff};
                f.xft.XftColorAllocValue(dpy(), native_->visual, native_->colormap, &rc, &colour);
                f.xft.XftDrawSetClipRectangles(draw_, 0, 0, &clip, 1);
                xftUsed = true;
            }
            f.xft.XftDrawStringUtf8(draw_, &colour, r.face->xft, x, baseline, (const FcChar8 *)r.utf8.data(),
                                    (int)r.utf8.size());
        } else {
            XSetFont(dpy(), gc_, r.face->core->fid);
            if (twoByte(r.face->core)) {
                XDrawString16(dpy(), pixmap_, gc_, x, baseline, r.wide.data(), (int)r.wide.size());
            } else {
                std::string s = narrow(r.wide);
                XDrawString(dpy(), pixmap_, gc_, x, baseline, s.data(), (int)s.size());
            }
        }
        x += runWidth(r);
    }
    if (xftUsed) {
        f.xft.XftColorFree(dpy(), native_->visual, native_->colormap, &colour);
        f.xft.XftDrawSetClip(draw_, 0);
    }
    XSetClipMask(dpy(), gc_, None);
}

void Canvas::show() {
    if (!ok()) return;
    XCopyArea(dpy(), pixmap_, native_->xid, gc_, 0, 0, (unsigned)width_, (unsigned)height_, 0, 0);
}

}  // namespace vela::x11
