// The combo box and the message boxes end to end: the probe program (the framework with
// its real window procedure, traced) and the real program on the private Xvfb, real input
// through XTest, real pixels, window titles read back from the X server.
#include <gtest/gtest.h>

#include "support/display.h"
#include "support/scratch.h"
#include "xtools.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <regex>
#include <thread>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

const std::string kCountTitle1 = "アイテム数 = 3\n選択項目 = 1";
const std::string kCountTitle2 = "アイテム数 = 3\n選択項目 = 2";
const int kFieldHeight = 24, kItemHeight = 18;

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout = 10s) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

using vela::xtools::windowsOfClass;

std::vector<std::string> boxTitles(Display *d) {
    std::vector<std::string> out;
    for (Window w : windowsOfClass(d, "#32770")) out.push_back(windowTitle(d, w));
    return out;
}

bool hasFocus(Display *d, Window w) {
    Window f;
    int revert;
    XGetInputFocus(d, &f, &revert);
    return f == w;
}

void saveShot(Display *d, Window w, const char *name) {
    // For looking at the controls by eye: VELA_SCREENSHOT_DIR=/some/dir ctest ...
    if (const char *dir = std::getenv("VELA_SCREENSHOT_DIR")) Snapshot(d, w).savePpm(std::string(dir) + "/" + name);
}

// Pixels of the field's text area that are neither its face nor the highlight: the glyphs.
int glyphPixels(Display *d, Window win) {
    Snapshot s(d, win);
    int n = 0;
    for (int y = 4; y < kFieldHeight - 4; ++y)
        for (int x = 5; x < 280; ++x) {
            Rgb c = s.at(x, y);
            if (!near(c, Rgb{225, 225, 225}, 8) && !near(c, Rgb{0, 120, 215}, 8) && !near(c, Rgb{204, 228, 247}, 8)) ++n;
        }
    return n;
}

class Probe {
public:
    explicit Probe(const std::vector<std::string> &argv = {bin("controls_probe")},
                   const std::map<std::string, std::string> &env = {})
        : proc(argv, env) {
        d = openDisplay();
        auto w = findWindow(d, "Vertex Shader");
        if (!w) return;
        win = *w;
        proc.waitLine("system finish onDraw");
        for (const std::string &l : proc.lines())
            if (l.rfind("probe combo ", 0) == 0) combo = l.substr(12);
        // The field is painted after the first frame.
        waitFor([&] { return near(Snapshot(d, win).at(150, 12), Rgb{225, 225, 225}, 8); });
    }
    ~Probe() {
        if (proc.running()) {
            closeWindow(d, win);
            proc.wait(5s);
        }
    }
    void settle() {
        XSync(d, False);
        proc.pump(150ms);
    }
    // The probe lines that arrived since the last call.
    Lines probeLines() {
        settle();
        Lines out;
        for (size_t i = proc.consumed(); i < proc.lines().size(); ++i)
            if (proc.lines()[i].rfind("probe", 0) == 0) out.push_back(proc.lines()[i]);
        proc.skipTo(proc.lines().size());
        return out;
    }
    // The notification codes in order, without the focus ones (CBN_SETFOCUS, CBN_KILLFOCUS).
    std::vector<int> commands() {
        std::vector<int> out;
        for (const std::string &l : probeLines()) {
            unsigned id, code;
            int from;
            if (std::sscanf(l.c_str(), "probe command %u %u %d", &id, &code, &from) == 3) {
                EXPECT_EQ(id, 1000u);
                EXPECT_EQ(std::to_string(from), combo) << "lParam is the combo box";
                if (code != 3 && code != 4) out.push_back((int)code);
            }
        }
        return out;
    }
    std::optional<Window> list() {
        std::optional<Window> found;
        waitFor([&] {
            auto all = windowsOfClass(d, "ComboLBox");
            if (!all.empty()) found = all[0];
            return found.has_value();
        }, 5s);
        return found;
    }
    void openList() {
        click(d, win, 150, 12);
        XSync(d, False);
    }
    // Clicks item `i` of the open list.
    bool pick(int i) {
        auto l = list();
        if (!l) return false;
        click(d, *l, 100, 1 + i * kItemHeight + kItemHeight / 2);
        return true;
    }
    std::optional<Window> box(const std::string &title) { return findWindow(d, title, 10s); }
    // Answers a box with Enter once it has the keyboard focus.
    void enter(Window box) {
        EXPECT_TRUE(waitFor([&] { return hasFocus(d, box); })) << "the box has the focus";
        key(d, "Return");
        EXPECT_TRUE(waitFor([&] { return !windowExists(d, box); }));
    }
    // Answers a box with a click on its OK button.
    void clickOk(Window box) {
        int x, y, w, h;
        rootGeometry(d, box, &x, &y, &w, &h);
        click(d, box, w - 12 - 44, h - 22);
        EXPECT_TRUE(waitFor([&] { return !windowExists(d, box); }));
    }
    std::string lpTitle() const { return "lp = " + combo + "  hwnd = " + combo; }

    Process proc;
    Display *d = nullptr;
    Window win = 0;
    std::string combo;
};

TEST(ComboBox, NothingFromOverTheComboBox) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.probeLines();
    moveTo(app.d, app.win, 150, 10);
    moveTo(app.d, app.win, 290, 5);
    EXPECT_EQ(app.probeLines(), Lines{}) << "the combo box takes these";
    moveTo(app.d, app.win, 310, 5);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 310 5"}));
    // Close the list if the click above opened one.
    key(app.d, "Escape");
}

TEST(ComboBox, ChoosingBbbShowsTwoBoxesInTurnAndTheField) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    ASSERT_FALSE(app.combo.empty());
    EXPECT_EQ(glyphPixels(app.d, app.win), 0) << "nothing selected: an empty field";
    saveShot(app.d, app.win, "combo_closed.ppm");
    app.probeLines();

    app.openList();
    auto list = app.list();
    ASSERT_TRUE(list) << "the list is a popup window of its own";
    int lx, ly, lw, lh, mx, my, mw, mh;
    rootGeometry(app.d, *list, &lx, &ly, &lw, &lh);
    rootGeometry(app.d, app.win, &mx, &my, &mw, &mh);
    EXPECT_EQ(lx, mx);
    EXPECT_EQ(ly, my + kFieldHeight) << "just below the field";
    EXPECT_EQ(lw, 300);
    EXPECT_EQ(lh, 3 * kItemHeight + 2) << "as tall as three items";
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(app.d, *list, &attributes));
    EXPECT_TRUE(attributes.override_redirect) << "no window manager frames the list";
    moveTo(app.d, *list, 100, 1 + kItemHeight + 9);
    ASSERT_TRUE(waitFor([&] { return near(Snapshot(app.d, *list).at(250, 1 + kItemHeight + 2), Rgb{0, 120, 215}, 8); }))
        << "the item under the pointer is highlighted";
    EXPECT_TRUE(near(Snapshot(app.d, *list).at(250, 3), Rgb{255, 255, 255}, 2)) << "the others are not";
    saveShot(app.d, app.win, "combo_open.ppm");
    saveShot(app.d, *list, "combo_list.ppm");
    press(app.d, 1);
    release(app.d, 1);

    auto first = app.box(kCountTitle1);
    ASSERT_TRUE(first) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    EXPECT_EQ(boxTitles(app.d), Lines{kCountTitle1}) << "one box at a time";
    EXPECT_TRUE(windowsOfClass(app.d, "ComboLBox").empty()) << "the list closed";
    int bx, by, bw, bh;
    rootGeometry(app.d, *first, &bx, &by, &bw, &bh);
    EXPECT_NEAR(bx + bw / 2, 640, 12) << "centred on the screen";
    EXPECT_NEAR(by + bh / 2, 512, 24);
    // The box is mapped before its first paint arrives.
    EXPECT_TRUE(waitFor([&] {
        Snapshot boxPixels(app.d, *first);
        return near(boxPixels.at(4, 4), Rgb{255, 255, 255}, 2) && near(boxPixels.at(4, bh - 4), Rgb{240, 240, 240}, 2);
    })) << "white behind the text, a grey band under it";
    saveShot(app.d, *first, "message_box.ppm");
    app.enter(*first);

    auto second = app.box(app.lpTitle());
    ASSERT_TRUE(second) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    EXPECT_EQ(boxTitles(app.d), Lines{app.lpTitle()});
    app.clickOk(*second);
    EXPECT_TRUE(boxTitles(app.d).empty());

    EXPECT_EQ(app.commands(), (std::vector<int>{7 /*DROPDOWN*/, 9 /*SELENDOK*/, 8 /*CLOSEUP*/, 1 /*SELCHANGE*/}));
    EXPECT_TRUE(waitFor([&] { return glyphPixels(app.d, app.win) > 10; })) << "the field shows \"bbb\"";
    saveShot(app.d, app.win, "combo_selected.ppm");
}

TEST(ComboBox, OpeningAndClosingWithoutAChangeShowsNoBox) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.probeLines();
    // Closed by a click elsewhere in the window: that click is the list's, not the window's.
    app.openList();
    ASSERT_TRUE(app.list());
    click(app.d, app.win, 600, 400);
    EXPECT_TRUE(waitFor([&] { return windowsOfClass(app.d, "ComboLBox").empty(); }));
    Lines lines = app.probeLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto &l) { return l.rfind("probe down", 0) == 0; }), 0);
    // By Escape, and by a second click on the field.
    app.openList();
    ASSERT_TRUE(app.list());
    key(app.d, "Escape");
    EXPECT_TRUE(waitFor([&] { return windowsOfClass(app.d, "ComboLBox").empty(); }));
    app.openList();
    ASSERT_TRUE(app.list());
    app.openList();
    EXPECT_TRUE(waitFor([&] { return windowsOfClass(app.d, "ComboLBox").empty(); }));
    // By a click outside every window of the program.
    app.openList();
    ASSERT_TRUE(app.list());
    click(app.d, DefaultRootWindow(app.d), 1250, 1000);
    EXPECT_TRUE(waitFor([&] { return windowsOfClass(app.d, "ComboLBox").empty(); }));
    app.settle();
    EXPECT_TRUE(boxTitles(app.d).empty());
    Lines notes = app.probeLines();
    int selchanges = 0, cancels = 0;
    for (auto &l : notes) {
        selchanges += l.find(" 1000 1 ") != std::string::npos;
        cancels += l.find(" 1000 10 ") != std::string::npos;
    }
    EXPECT_EQ(selchanges, 0);
    EXPECT_EQ(cancels, 3);
    EXPECT_TRUE(app.proc.running());
}

TEST(ComboBox, WhileABoxIsOpenTheMainWindowPaintsAndHearsTheMouse) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.openList();
    ASSERT_TRUE(app.pick(1));
    auto first = app.box(kCountTitle1);
    ASSERT_TRUE(first);
    app.probeLines();
    // Away from the box, which sits in the middle of the screen.
    moveTo(app.d, app.win, 900, 100);
    press(app.d, 1);
    release(app.d, 1);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 900 100", "probe down 900 100 1", "probe up 900 100 1"}));
    size_t before = app.proc.lines().size();
    XClearArea(app.d, app.win, 0, 0, 0, 0, True);
    XSync(app.d, False);
    EXPECT_TRUE(app.proc.waitLine("system finish onDraw", false, 5s)) << "a paint while the box is open";
    EXPECT_GT(app.proc.lines().size(), before);
    EXPECT_TRUE(windowExists(app.d, *first)) << "and the box stays";
}

TEST(ComboBox, ASecondSelectionWhileABoxIsOpenNests) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.openList();
    ASSERT_TRUE(app.pick(1));
    auto outer = app.box(kCountTitle1);
    ASSERT_TRUE(outer);
    app.openList();
    ASSERT_TRUE(app.pick(2));
    auto inner = app.box(kCountTitle2);
    ASSERT_TRUE(inner) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    EXPECT_TRUE(windowExists(app.d, *outer));
    app.enter(*inner);
    auto innerLp = app.box(app.lpTitle());
    ASSERT_TRUE(innerLp);
    app.enter(*innerLp);
    // Back in the outer box's loop: it is still open, its second box not yet shown.
    app.settle();
    EXPECT_EQ(boxTitles(app.d), Lines{kCountTitle1});
    app.clickOk(*outer);
    auto outerLp = app.box(app.lpTitle());
    ASSERT_TRUE(outerLp);
    app.clickOk(*outerLp);
    EXPECT_TRUE(boxTitles(app.d).empty());
    EXPECT_TRUE(app.proc.running());
}

TEST(ComboBox, ClosingTheMainWindowWhileABoxIsOpenEndsWithStatus0) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.openList();
    ASSERT_TRUE(app.pick(1));
    auto first = app.box(kCountTitle1);
    ASSERT_TRUE(first);
    closeWindow(app.d, app.win);
    EXPECT_EQ(app.proc.wait(10s), 0) << app.proc.stderrText();
    EXPECT_FALSE(windowExists(app.d, *first));
    EXPECT_TRUE(boxTitles(app.d).empty());
}

TEST(ComboBox, KeysSelectAndF4OpensTheList) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    app.openList();  // also gives the combo box the focus
    ASSERT_TRUE(app.list());
    key(app.d, "Escape");
    ASSERT_TRUE(waitFor([&] { return windowsOfClass(app.d, "ComboLBox").empty(); }));
    key(app.d, "Down");
    auto first = app.box("アイテム数 = 3\n選択項目 = 0");
    ASSERT_TRUE(first) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.enter(*first);
    auto second = app.box(app.lpTitle());
    ASSERT_TRUE(second);
    app.enter(*second);
    app.probeLines();
    key(app.d, "F4");
    ASSERT_TRUE(app.list()) << "the focus came back to the combo box";
    key(app.d, "Down");
    key(app.d, "Return");
    auto third = app.box(kCountTitle1);
    ASSERT_TRUE(third);
    app.enter(*third);
    auto fourth = app.box(app.lpTitle());
    ASSERT_TRUE(fourth);
    app.enter(*fourth);
    EXPECT_EQ(app.commands(), (std::vector<int>{7, 9, 8, 1}));
}

TEST(ComboBox, LongListsScrollWithTheWheelAndShowJapanese) {
    Probe app({bin("controls_probe"), "many"});
    ASSERT_NE(app.win, 0u);
    app.openList();
    auto list = app.list();
    ASSERT_TRUE(list);
    int x, y, w, h;
    rootGeometry(app.d, *list, &x, &y, &w, &h);
    const int rows = (300 - kFieldHeight - 2) / kItemHeight;
    EXPECT_EQ(h, rows * kItemHeight + 2) << "no taller than the height given at creation";
    EXPECT_TRUE(waitFor([&] { return near(Snapshot(app.d, *list).at(w - 9, h - 30), Rgb{240, 240, 240}, 2); }))
        << "a scroll bar's track";
    // The End key highlights the last item, a Japanese one, and scrolls to it.
    key(app.d, "End");
    ASSERT_TRUE(waitFor([&] {
        return near(Snapshot(app.d, *list).at(w / 2, h - 1 - kItemHeight + 2), Rgb{0, 120, 215}, 8);
    }));
    saveShot(app.d, *list, "combo_list_scrolled.ppm");
    key(app.d, "Home");
    moveTo(app.d, *list, 100, 1 + kItemHeight / 2);
    for (int i = 0; i < 3; ++i) click(app.d, *list, 100, 1 + kItemHeight / 2, 5);  // wheel down, 3 rows a notch
    app.settle();
    click(app.d, *list, 100, 1 + kItemHeight / 2);
    auto box = app.box("アイテム数 = 44\n選択項目 = 9");
    ASSERT_TRUE(box) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.enter(*box);
}

TEST(ComboBox, TheListFollowsAMovedWindow) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    // As a window manager would move it.
    XMoveWindow(app.d, app.win, 300, 250);
    XSync(app.d, False);
    app.settle();
    app.openList();
    auto list = app.list();
    ASSERT_TRUE(list);
    int x, y, w, h;
    rootGeometry(app.d, *list, &x, &y, &w, &h);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 250 + kFieldHeight);
    ASSERT_TRUE(app.pick(2));
    auto box = app.box("アイテム数 = 3\n選択項目 = 2");
    ASSERT_TRUE(box) << "the pick landed on \"ccc\"; titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.enter(*box);
}

TEST(ComboBox, TheRealProgramShowsTheBoxes) {
    Probe app({bin("vela")});
    ASSERT_NE(app.win, 0u);
    app.openList();
    ASSERT_TRUE(app.pick(1));
    auto first = app.box(kCountTitle1);
    ASSERT_TRUE(first) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.enter(*first);
    std::optional<Window> second;
    std::string title;
    ASSERT_TRUE(waitFor([&] {
        auto all = windowsOfClass(app.d, "#32770");
        if (all.empty()) return false;
        second = all[0];
        title = windowTitle(app.d, all[0]);
        return true;
    }));
    int lp = -1, hwnd = -2;
    ASSERT_EQ(std::sscanf(title.c_str(), "lp = %d  hwnd = %d", &lp, &hwnd), 2) << title;
    EXPECT_EQ(lp, hwnd) << "the notification's lParam is the combo box";
    EXPECT_GT(hwnd, 0);
    closeWindow(app.d, app.win);
    EXPECT_EQ(app.proc.wait(10s), 0);
}

// ---- Fonts and forged events -----------------------------------------------------------

// A fontconfig set-up that knows only the fonts of `folder` (none for an empty one).
class FontConfig {
public:
    explicit FontConfig(const std::string &folder) {
        std::string fonts = folder.empty() ? dir / "none" : folder;
        std::filesystem::create_directories(dir / "none");
        std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">"
                                          << "<fontconfig><dir>" << fonts << "</dir><cachedir>" << dir / "cache"
                                          << "</cachedir></fontconfig>\n";
    }
    std::map<std::string, std::string> env() const { return {{"FONTCONFIG_FILE", dir / "fonts.conf"}}; }

private:
    ScratchDir dir;
};

// The X core fonts the program says it fell back to.
std::vector<std::string> coreFontsNamed(const std::string &stderrText) {
    std::vector<std::string> out;
    std::regex named("using the X core font '([^']+)'");
    for (std::sregex_iterator it(stderrText.begin(), stderrText.end(), named), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

// Whether `text` stands in the snapshot exactly as the core font `xlfd` draws it: its ink
// black where the font puts ink, nothing black in between.
bool drawnWith(Display *d, const Snapshot &shot, const std::string &xlfd, const std::u16string &text) {
    XFontStruct *font = XLoadQueryFont(d, xlfd.c_str());
    if (!font) return false;
    std::vector<XChar2b> chars;
    for (char16_t c : text) chars.push_back(XChar2b{(unsigned char)(c >> 8), (unsigned char)(c & 0xFF)});
    int w = XTextWidth16(font, chars.data(), (int)chars.size()), h = font->ascent + font->descent;
    Window root = DefaultRootWindow(d);
    Pixmap pm = XCreatePixmap(d, root, (unsigned)w, (unsigned)h, (unsigned)DefaultDepth(d, DefaultScreen(d)));
    GC gc = XCreateGC(d, pm, 0, nullptr);
    XSetForeground(d, gc, WhitePixel(d, DefaultScreen(d)));
    XFillRectangle(d, pm, gc, 0, 0, (unsigned)w, (unsigned)h);
    XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
    XSetFont(d, gc, font->fid);
    XDrawString16(d, pm, gc, 0, font->ascent, chars.data(), (int)chars.size());
    XImage *img = XGetImage(d, pm, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
    std::vector<bool> ink((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ink[(size_t)y * w + x] = XGetPixel(img, x, y) == BlackPixel(d, DefaultScreen(d));
    XDestroyImage(img);
    XFreeGC(d, gc);
    XFreePixmap(d, pm);
    XFreeFont(d, font);
    auto black = [&](int x, int y) { return near(shot.at(x, y), Rgb{0, 0, 0}, 0); };
    for (int oy = 0; oy + h <= shot.height(); ++oy)
        for (int ox = 0; ox + w <= shot.width(); ++ox) {
            bool match = true;
            for (int y = 0; y < h && match; ++y)
                for (int x = 0; x < w && match; ++x) match = ink[(size_t)y * w + x] == black(ox + x, oy + y);
            if (match) return true;
        }
    return false;
}

bool drawnWithAny(Display *d, const Snapshot &shot, const std::vector<std::string> &fonts, const std::u16string &text) {
    for (const std::string &f : fonts)
        if (drawnWith(d, shot, f, text)) return true;
    return false;
}

// Picks "bbb" and returns the first box, found by its title.
std::optional<Window> firstBox(Probe &app) {
    app.openList();
    if (!app.pick(1)) return std::nullopt;
    return app.box(kCountTitle1);
}

TEST(Fonts, WithoutAJapaneseFontTheBoxDrawsItWithAnXCoreFont) {
    FontConfig latinOnly("/usr/share/fonts/truetype/dejavu");
    Probe app({bin("vela")}, latinOnly.env());
    ASSERT_NE(app.win, 0u);
    auto box = firstBox(app);
    ASSERT_TRUE(box) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.settle();
    std::vector<std::string> fonts = coreFontsNamed(app.proc.stderrText());
    ASSERT_EQ(fonts.size(), 1u) << "one line names the core font:\n" << app.proc.stderrText();
    EXPECT_TRUE(waitFor([&] { return drawnWith(app.d, Snapshot(app.d, *box), fonts[0], u"アイテム数"); })) << fonts[0];
    saveShot(app.d, *box, "box_latin_fonts_only.ppm");
    app.enter(*box);
}

TEST(Fonts, WithNoFontAtAllEveryTextIsDrawnWithXCoreFonts) {
    FontConfig nothing("");
    Probe app({bin("vela")}, nothing.env());
    ASSERT_NE(app.win, 0u);
    auto box = firstBox(app);
    ASSERT_TRUE(box) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.settle();
    std::string err = app.proc.stderrText();
    std::vector<std::string> fonts = coreFontsNamed(err);
    ASSERT_FALSE(fonts.empty()) << err;
    EXPECT_NE(err.find("fontconfig found no font"), std::string::npos) << err;
    EXPECT_TRUE(waitFor([&] { return drawnWithAny(app.d, Snapshot(app.d, *box), fonts, u"アイテム数"); })) << err;
    EXPECT_TRUE(drawnWithAny(app.d, Snapshot(app.d, *box), fonts, u"OK")) << "the button's label";
    saveShot(app.d, *box, "box_core_fonts.ppm");
    app.enter(*box);
    std::vector<Window> second;
    ASSERT_TRUE(waitFor([&] { return !(second = windowsOfClass(app.d, "#32770")).empty(); }));
    app.enter(second[0]);
    EXPECT_TRUE(waitFor([&] { return glyphPixels(app.d, app.win) > 10; })) << "the field shows \"bbb\"";
}

// The private server's font path cut to its built-in fonts for one scope, then put back.
class BuiltInFontsOnly {
public:
    explicit BuiltInFontsOnly(Display *d) : d_(d), old_(XGetFontPath(d, &count_)) {
        char builtIns[] = "built-ins";
        char *path[] = {builtIns};
        XSetFontPath(d, path, 1);
        XSync(d, False);
    }
    ~BuiltInFontsOnly() {
        XSetFontPath(d_, old_, count_);
        XFreeFontPath(old_);
        XSync(d_, False);
    }

private:
    Display *d_;
    int count_ = 0;
    char **old_;
};

// With only the server's built-in "fixed" (one byte a character), what it can't show is
// drawn as '?' and said once, never as other characters.
TEST(Fonts, WhatTheBuiltInFixedFontCannotShowIsDrawnAsQuestionMarks) {
    Display *d = openDisplay();
    BuiltInFontsOnly builtIns(d);
    int count = 0;
    char **names = XListFonts(d, "*iso10646*", 10, &count);
    if (names) XFreeFontNames(names);
    ASSERT_EQ(count, 0) << "the built-in fonts only";
    FontConfig nothing("");
    Probe app({bin("vela")}, nothing.env());
    ASSERT_NE(app.win, 0u);
    auto box = firstBox(app);
    ASSERT_TRUE(box) << "titles now: " << ::testing::PrintToString(boxTitles(app.d));
    app.settle();
    EXPECT_TRUE(waitFor([&] { return drawnWith(app.d, Snapshot(app.d, *box), "fixed", u"????? = 3"); }))
        << app.proc.stderrText();
    saveShot(app.d, *box, "box_builtin_fixed.ppm");
    app.enter(*box);
    app.settle();
    std::string err = app.proc.stderrText();
    EXPECT_EQ(coreFontsNamed(err), std::vector<std::string>{"fixed"}) << err;
    std::regex cannot("x11: the X core font 'fixed' cannot show U\\+[0-9A-F]{4,} and other characters of the "
                      "controls' text; they are drawn as '\\?'\n");
    auto lines = std::distance(std::sregex_iterator(err.begin(), err.end(), cannot), std::sregex_iterator());
    EXPECT_EQ(lines, 1) << err;
}

// Any client may send a ConfigureNotify: one with a size no window can have must not make
// the program ask the server for what it can't give.
TEST(ForgedEvents, AHugeSizeIsCutToWhatAWindowCanBe) {
    Probe app;
    ASSERT_NE(app.win, 0u);
    auto box = firstBox(app);
    ASSERT_TRUE(box);
    XEvent e{};
    e.xconfigure.type = ConfigureNotify;
    e.xconfigure.event = e.xconfigure.window = *box;
    e.xconfigure.width = e.xconfigure.height = 40000;
    XSendEvent(app.d, *box, False, StructureNotifyMask, &e);
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.window = *box;
    expose.xexpose.width = expose.xexpose.height = 40000;
    XSendEvent(app.d, *box, False, ExposureMask, &expose);
    EXPECT_TRUE(waitFor([&] { return near(Snapshot(app.d, *box).at(4, 4), Rgb{255, 255, 255}, 2); }))
        << "the box paints as before";
    app.settle();
    app.enter(*box);
    EXPECT_EQ(app.proc.stderrText(), "") << "no X error";
}

}  // namespace
