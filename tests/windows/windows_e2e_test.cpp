// The Windows build, vela.exe, run end to end under wine (a stand-in for Windows) on the
// private Xvfb through the same harness as the Linux tests: XTest input, pixels read from
// the screen, the trace through a pipe while the program runs. A scripted run is compared
// with the Linux build's trace and copies from the same script.
#include <gtest/gtest.h>

#include "support/scratch.h"
#include "support/demo_frame.h"
#include "support/display.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

const std::string kPrefix = VELA_WINE_PREFIX;

// The build wine runs here and its loader, as the prefix fixture chose them
// (tests/windows/wine-prefix.sh): "i686 LOADER" or "x86_64 LOADER".
struct Wine {
    std::string arch, loader, exe;
};
const Wine &wine() {
    static const Wine chosen = [] {
        Wine w;
        std::ifstream in(kPrefix + "/vela-wine");
        if (in >> w.arch >> w.loader) w.exe = std::string(VELA_WINDOWS_BUILDS) + "/windows-" + w.arch + "/bin/vela.exe";
        return w;
    }();
    return chosen;
}

// Missing wine or vela.exe skips these tests, unless VELA_REQUIRE_WINDOWS is set (CI).
bool windowsPartsMissing(std::string *why) {
    if (wine().exe.empty())
        *why = "no wine prefix: no wine that runs here (tools/install-deps.sh windows installs it)";
    else if (access(wine().exe.c_str(), R_OK) != 0)
        *why = wine().exe + " is not built (tools/build-windows.sh " + wine().arch + ")";
    else
        return false;
    return true;
}

#define SKIP_WITHOUT_WINDOWS_PARTS()                                            \
    do {                                                                        \
        std::string why;                                                        \
        if (windowsPartsMissing(&why)) {                                        \
            if (std::getenv("VELA_REQUIRE_WINDOWS")) FAIL() << why;             \
            GTEST_SKIP() << why;                                                \
        }                                                                       \
    } while (0)

// A run of one build with its own drive D:, its window and the lines of its trace.
struct Program {
    bool windows;
    ScratchDir drive;
    std::unique_ptr<Process> proc;
    Display *d = openDisplay();
    Window win = 0;

    explicit Program(bool windows) : windows(windows) {
        if (windows) {
            // The prefix's D: is this run's folder.
            std::string link = kPrefix + "/dosdevices/d:";
            std::filesystem::remove(link);
            std::filesystem::create_directory_symlink(drive.path(), link);
            // No crash debugger: a crash ends the program instead of waiting on winedbg.
            proc = std::make_unique<Process>(
                Lines{wine().loader, wine().exe},
                std::map<std::string, std::string>{{"WINEPREFIX", kPrefix},
                                                   {"WINELOADER", wine().loader},
                                                   {"WINEDEBUG", "-all"},
                                                   {"WINEDLLOVERRIDES", "mscoree=;mshtml=;winedbg.exe=d"},
                                                   {"LANG", "ja_JP.UTF-8"}});  // a Japanese Windows: code page 932
        } else {
            proc = std::make_unique<Process>(Lines{bin("vela")},
                                             std::map<std::string, std::string>{{"VELA_DRIVE_D", drive.path()}});
        }
        if (!proc->waitLine(line("system finish onDraw"), false, 60s)) return;
        if (auto w = findWindow(d, "Vertex Shader", 20s)) win = *w;
        settle();
    }
    ~Program() {
        if (proc->running() && win) {
            closeWindow(d, win);
            proc->wait(20s);
        }
        proc->kill();
    }
    // wine's C runtime ends lines with CR LF.
    std::string line(const std::string &text) const { return windows ? text + "\r" : text; }

    // Lets the program answer everything sent so far.
    void settle() {
        XSync(d, False);
        auto quietFor = 300ms;
        auto end = std::chrono::steady_clock::now() + 10s;
        size_t seen = proc->lines().size();
        auto lastChange = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < end &&
               std::chrono::steady_clock::now() - lastChange < quietFor) {
            proc->pump(50ms);
            if (proc->lines().size() != seen) seen = proc->lines().size(), lastChange = std::chrono::steady_clock::now();
        }
    }
    void move(int x, int y) {
        moveTo(d, win, x, y);
        settle();
    }
    void button(int b, bool down) {
        down ? press(d, b) : release(d, b);
        settle();
    }
};

// The window that shows the client area: the top-level X window, or where wine's GL draws
// into an X window of its own, the largest one below it.
Window clientWindow(Display *d, Window top) {
    XErrorsIgnored ignored(d);
    Window root, parent, *kids = nullptr, best = top;
    unsigned n = 0;
    if (!XQueryTree(d, top, &root, &parent, &kids, &n)) return top;
    int area = 0;
    for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable && a.width * a.height > area)
            area = a.width * a.height, best = kids[i];
    }
    if (kids) XFree(kids);
    return best;
}

// The trace as both builds must give it: CR LF ends, addresses, the WGL extensions that
// wine's opengl32 names after the GL's, and start-up paints repeated by the window
// system's exposures (each identical to the one before) taken out.
Lines normalised(const Lines &lines) {
    static const std::regex address("^(image ptr( ori)?) -?[0-9]+$");
    Lines out;
    for (std::string l : lines) {
        if (l.ends_with("\r")) l.pop_back();
        if (l.rfind("GL_EXTENSIONS: ", 0) == 0) {
            std::istringstream names(l.substr(15));
            l = "GL_EXTENSIONS:";
            for (std::string name; names >> name;)
                if (name.rfind("WGL_", 0) != 0) l += " " + name;
        } else {
            l = std::regex_replace(l, address, "$1 (address)");
        }
        out.push_back(l);
    }
    auto input = std::find_if(out.begin(), out.end(), [](auto &l) { return l.rfind("mouse", 0) == 0; });
    for (auto paint = std::find(out.begin(), input, "system onDraw"); paint != input;) {
        auto end = std::find(paint, input, "system finish onDraw");
        if (end == input) break;
        auto next = end + 1;
        if (input - next >= next - paint && std::equal(paint, next, next)) {
            auto rest = input - next;
            paint = out.erase(paint, next);
            input = paint + rest;
            continue;
        }
        paint = std::find(next, input, "system onDraw");
    }
    return out;
}

// The script both builds run: a left, a right and a middle drag.
void script(Program &r) {
    for (auto [button, dx, dy] : {std::tuple{1, 40, -20}, std::tuple{3, -60, 10}, std::tuple{2, 25, 35}}) {
        r.move(500, 300);
        r.button(button, true);
        r.move(500 + dx / 2, 300 + dy / 2);
        r.move(500 + dx, 300 + dy);
        r.button(button, false);
    }
}

TEST(WindowsBuild, TraceArrivesThroughThePipeLineByLineWhileItRuns) {
    SKIP_WITHOUT_WINDOWS_PARTS();
    Program r(true);
    ASSERT_NE(r.win, 0u) << r.proc->stderrText();
    Lines start = normalised(r.proc->lines());
    ASSERT_GE(start.size(), 7u);
    EXPECT_EQ(start[0], "Vela Boot");
    EXPECT_EQ(start[1].rfind("GL_EXTENSIONS: ", 0), 0u);
    EXPECT_EQ(start[5], "start onInit");
    EXPECT_EQ(start[6], "onInit");
    // Each line comes when it happens: the press's line before the release is even sent.
    r.move(500, 300);
    press(r.d, 1);
    EXPECT_TRUE(r.proc->waitLine(r.line("mouse down 500 300"), false, 10s));
    r.proc->pump(300ms);
    Lines sincePress(r.proc->lines().begin() + (long)r.proc->consumed(), r.proc->lines().end());
    EXPECT_EQ(sincePress, Lines{}) << "nothing else is pending";
    release(r.d, 1);
    EXPECT_TRUE(r.proc->waitLine(r.line("mouse up 500 300"), false, 10s));
    EXPECT_TRUE(r.proc->running());
}

TEST(WindowsBuild, ScriptedRunMatchesTheLinuxBuildTraceCopiesAndFaces) {
    SKIP_WITHOUT_WINDOWS_PARTS();
    Program linux(false);
    ASSERT_NE(linux.win, 0u) << linux.proc->stderrText();
    script(linux);
    Lines expected = normalised(linux.proc->lines());
    closeWindow(linux.d, linux.win);
    EXPECT_EQ(linux.proc->wait(20s), 0);

    Program windows(true);
    ASSERT_NE(windows.win, 0u) << windows.proc->stderrText();
    // The front face in every viewport, counted from the client area's bottom. wine's GL
    // window has a visual of its own (of another depth than the root's): it is read itself.
    Window gl = clientWindow(windows.d, windows.win);
    for (int v = 0; v < 4; ++v) {
        Rgb c{};
        for (int tries = 0; tries < 50; ++tries) {
            Snapshot shot(windows.d, gl, gl != windows.win);
            c = shot.at(kCentres[v].x + 30, shot.height() - (kClientHeight - kCentres[v].y) + 30);
            if (near(c, kFront, 2)) break;
            windows.proc->pump(100ms);
        }
        EXPECT_TRUE(near(c, kFront, 2)) << "viewport " << v << ": " << str(c);
    }

    script(windows);
    Lines got = normalised(windows.proc->lines());
    EXPECT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < std::min(got.size(), expected.size()); ++i)
        ASSERT_EQ(got[i], expected[i]) << "line " << i;
    EXPECT_EQ(readFile(windows.drive / "cap.ppm"), readFile(linux.drive / "cap.ppm"));
    EXPECT_EQ(readFile(windows.drive / "gl_load_tex.bmp"), readFile(linux.drive / "gl_load_tex.bmp"));
    EXPECT_EQ(readFile(windows.drive / "cap.ppm").size(), 786447u);

    closeWindow(windows.d, windows.win);
    EXPECT_EQ(windows.proc->wait(20s), 0) << "a window-manager close ends it with 0";
}

// The viewable top-level windows and their titles.
std::vector<std::pair<Window, std::string>> titledWindows(Display *d) {
    XErrorsIgnored ignored(d);
    std::vector<std::pair<Window, std::string>> out;
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return out;
    for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable)
            out.emplace_back(kids[i], windowTitle(d, kids[i]));
    }
    if (kids) XFree(kids);
    return out;
}

// The first top-level window whose title matches, waited for; the titles seen otherwise.
std::optional<std::pair<Window, std::string>> waitForTitle(Display *d, const std::regex &title, std::string *seen) {
    auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end) {
        for (auto &w : titledWindows(d))
            if (std::regex_match(w.second, title)) return w;
        std::this_thread::sleep_for(50ms);
    }
    for (auto &w : titledWindows(d)) *seen += "\"" + w.second + "\" ";
    return std::nullopt;
}

TEST(WindowsBuild, PickingAnItemShowsTheTwoBoxes) {
    SKIP_WITHOUT_WINDOWS_PARTS();
    Program r(true);
    ASSERT_NE(r.win, 0u) << r.proc->stderrText();
    // Open the list, close it again, then the next item with the keyboard: "aaa", index 0.
    click(r.d, r.win, 150, 10);
    r.settle();
    key(r.d, "Escape");
    key(r.d, "Down");
    // "アイテム数 = 3\n選択項目 = 0" from code page 932.
    std::string seen;
    auto first = waitForTitle(r.d, std::regex("\u30a2\u30a4\u30c6\u30e0\u6570 = 3\n\u9078\u629e\u9805\u76ee = 0"), &seen);
    ASSERT_TRUE(first) << "the first box; windows seen: " << seen;
    closeWindow(r.d, first->first);
    auto second = waitForTitle(r.d, std::regex("lp = ([0-9]+)  hwnd = ([0-9]+)"), &seen);
    ASSERT_TRUE(second) << "the second box; windows seen: " << seen;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(second->second, m, std::regex("lp = ([0-9]+)  hwnd = ([0-9]+)")));
    EXPECT_EQ(m[1], m[2]) << "lParam is the combo box's handle";
    closeWindow(r.d, second->first);
    r.settle();
    EXPECT_TRUE(r.proc->running());
}

}  // namespace
