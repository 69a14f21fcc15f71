// The application shell end to end: the real program on the private Xvfb, real input
// through XTest, real pixels, the trace through a pipe.
#include <gtest/gtest.h>

#include "support/display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <sys/wait.h>
#include <csignal>
#include <cstring>
#include <algorithm>

using namespace vela::test;
using namespace std::chrono_literals;

namespace {


class Probe {
public:
    explicit Probe(const char *mode) : proc({bin("app_probe"), mode}) {
        d = openDisplay();
        auto w = findWindow(d, "Vertex Shader");
        if (!w) return;
        win = *w;
        // The first frame is presented before input matters.
        proc.waitLine("system finish onDraw");
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
    std::vector<std::string> probeLines() {
        settle();
        std::vector<std::string> out;
        for (size_t i = proc.consumed(); i < proc.lines().size(); ++i)
            if (proc.lines()[i].rfind("probe", 0) == 0) out.push_back(proc.lines()[i]);
        proc.skipTo(proc.lines().size());
        return out;
    }
    Process proc;
    Display *d = nullptr;
    Window win = 0;
};

using Lines = std::vector<std::string>;

TEST(AppShell, StartupTraceAndOnePaint) {
    Process p({bin("app_probe"), "default"});
    ASSERT_TRUE(p.waitLine("system finish onDraw")) << p.stderrText();
    const auto &l = p.lines();
    ASSERT_GE(l.size(), 8u);
    EXPECT_EQ(l[0], "Vela Boot");
    EXPECT_EQ(l[1].rfind("GL_EXTENSIONS: ", 0), 0u);
    EXPECT_NE(l[1].find("GL_ARB_vertex_program"), std::string::npos) << "the whole list on one line";
    EXPECT_EQ(l[2].rfind("GL_VERSION: ", 0), 0u);
    EXPECT_EQ(l[3].rfind("GL_REBDER: ", 0), 0u);
    EXPECT_EQ(l[4].rfind("GL_VENDOR: ", 0), 0u);
    EXPECT_EQ(l[5], "start onInit");
    EXPECT_EQ(l[6], "system onDraw");
    EXPECT_EQ(l[7], "system finish onDraw");
}

TEST(AppShell, WindowGeometryAndTitle) {
    Probe app("default");
    ASSERT_NE(app.win, 0u);
    int x, y, w, h;
    rootGeometry(app.d, app.win, &x, &y, &w, &h);
    EXPECT_EQ(w, 1008);
    EXPECT_EQ(h, 611);
    EXPECT_EQ(x, 108) << "client origin = (100, 100) + frame";
    EXPECT_EQ(y, 131);
    XClassHint cls;
    ASSERT_TRUE(XGetClassHint(app.d, app.win, &cls));
    EXPECT_STREQ(cls.res_name, "test");
    XFree(cls.res_name);
    XFree(cls.res_class);
}

TEST(AppShell, DefaultFrameIsClearColourAndTriangle) {
    Probe app("default");
    ASSERT_NE(app.win, 0u);
    Snapshot s(app.d, app.win);
    ASSERT_EQ(s.width(), 1008);
    // Ortho 1024 x 512 onto the 1008 x 611 client area, origin lower left.
    auto px = [&](double ox, double oy) {
        return s.at((int)(ox * 1008 / 1024), 611 - 1 - (int)(oy * 611 / 512));
    };
    const Rgb sky{0, 179, 255}, white{255, 255, 255};
    EXPECT_TRUE(near(px(400, 20), white)) << str(px(400, 20));
    EXPECT_TRUE(near(px(495, 90), white)) << str(px(495, 90));
    EXPECT_TRUE(near(px(100, 80), sky, 2)) << "above the hypotenuse " << str(px(100, 80));
    EXPECT_TRUE(near(px(600, 10), sky, 2)) << "right of the triangle " << str(px(600, 10));
    EXPECT_TRUE(near(px(800, 450), sky, 2)) << str(px(800, 450));
}

TEST(AppShell, InvalidationRepaintsOnceWithoutErase) {
    Probe app("default");
    ASSERT_NE(app.win, 0u);
    size_t before = app.proc.lines().size();
    // An expose from the X server is one invalidation; many at once make one paint.
    for (int i = 0; i < 5; ++i) XClearArea(app.d, app.win, 0, 0, 0, 0, True);
    app.settle();
    int paints = 0;
    for (size_t i = before; i < app.proc.lines().size(); ++i)
        if (app.proc.lines()[i] == "system onDraw") ++paints;
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, 2) << "exposures coalesce";
    Snapshot s(app.d, app.win);
    EXPECT_TRUE(near(s.at(800, 100), Rgb{0, 179, 255}, 2)) << "no white erase over the frame";
}

TEST(AppShell, MouseCallsCarryClientCoordinatesAndButtonCodes) {
    Probe app("record");
    ASSERT_NE(app.win, 0u);
    app.probeLines();
    moveTo(app.d, app.win, 400, 300);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 400 300"}));
    moveTo(app.d, app.win, 10, 200);
    press(app.d, 1);
    release(app.d, 1);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 10 200", "probe down 10 200 1", "probe up 10 200 1"}));
    moveTo(app.d, app.win, 700, 500);
    press(app.d, 3);
    release(app.d, 3);
    press(app.d, 2);
    release(app.d, 2);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 700 500", "probe down 700 500 0", "probe up 700 500 0",
                                        "probe down 700 500 2", "probe up 700 500 2"}));
    // The corner pixels are inside; each click of a double click is its own press.
    moveTo(app.d, app.win, 1007, 610);
    press(app.d, 1);
    release(app.d, 1);
    press(app.d, 1);
    release(app.d, 1);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 1007 610", "probe down 1007 610 1", "probe up 1007 610 1",
                                        "probe down 1007 610 1", "probe up 1007 610 1"}));
}

TEST(AppShell, NothingFromOutsideTheClientArea) {
    Probe app("record");
    ASSERT_NE(app.win, 0u);
    moveTo(app.d, app.win, 500, 300);
    press(app.d, 1);
    app.probeLines();
    // Dragging out: X's implicit grab reports these to the window; Win32 would not.
    moveTo(app.d, app.win, 1100, 300);
    moveTo(app.d, app.win, -50, -20);
    release(app.d, 1);
    moveTo(app.d, app.win, 500, 700);
    EXPECT_EQ(app.probeLines(), Lines{});
    moveTo(app.d, app.win, 500, 310);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 500 310"}));
}

TEST(AppShell, ForeignEventsAreCheckedBeforeUse) {
    Probe app("record");
    ASSERT_NE(app.win, 0u);
    Atom protocols = XInternAtom(app.d, "WM_PROTOCOLS", False);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = app.win;
    // Wrong format, unknown protocol, unknown type, garbage data.
    for (int format : {8, 16, 32}) {
        ev.xclient.format = format;
        ev.xclient.message_type = protocols;
        ev.xclient.data.l[0] = format == 32 ? (long)XInternAtom(app.d, "NO_SUCH_PROTOCOL", False) : -1;
        XSendEvent(app.d, app.win, False, NoEventMask, &ev);
        ev.xclient.message_type = XA_STRING;
        XSendEvent(app.d, app.win, False, NoEventMask, &ev);
    }
    // A synthetic press and motion far outside the window.
    XEvent b{};
    b.xbutton.type = ButtonPress;
    b.xbutton.window = app.win;
    b.xbutton.x = 5000;
    b.xbutton.y = -7;
    b.xbutton.button = 1;
    b.xbutton.same_screen = True;
    XSendEvent(app.d, app.win, False, ButtonPressMask, &b);
    b.xbutton.type = MotionNotify;
    XSendEvent(app.d, app.win, False, PointerMotionMask, &b);
    b.xbutton.type = ButtonPress;
    b.xbutton.button = 77;  // no such button
    b.xbutton.x = 10;
    b.xbutton.y = 300;
    XSendEvent(app.d, app.win, False, ButtonPressMask, &b);
    EXPECT_EQ(app.probeLines(), Lines{});
    EXPECT_TRUE(app.proc.running());
    moveTo(app.d, app.win, 600, 400);
    EXPECT_EQ(app.probeLines(), (Lines{"probe move 600 400"}));
}

TEST(AppShell, ClosingTheWindowEndsTheProcessWithStatus0) {
    Probe app("default");
    ASSERT_NE(app.win, 0u);
    closeWindow(app.d, app.win);
    EXPECT_EQ(app.proc.wait(10s), 0);
    EXPECT_FALSE(windowExists(app.d, app.win));
}

TEST(AppShell, NoDisplayIsOneClearLineAndStatus1) {
    Process p({bin("vela")}, {{"DISPLAY", ":987"}});
    EXPECT_EQ(p.wait(10s), 1);
    std::string err = p.stderrText();
    EXPECT_NE(err.find("vela: cannot create the main window: cannot open the X display ':987'"), std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(p.lines().empty()) << "nothing is traced before the display is open";
}

TEST(AppShell, LosingTheServerEndsWithStatus1) {
    // A server of its own, since this one is killed.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t server = fork();
    if (server == 0) {
        dup2(fds[1], 3);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    // Up to the newline: Xvfb fails if the pipe closes between the number and the newline.
    std::string display = ":";
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    close(fds[0]);
    ASSERT_GT(display.size(), 1u);
    {
        Process p({bin("app_probe"), "default"}, {{"DISPLAY", display}});
        ASSERT_TRUE(p.waitLine("system finish onDraw")) << p.stderrText();
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
        EXPECT_EQ(p.wait(10s), 1);
        std::string err = p.stderrText();
        EXPECT_NE(err.find("x11: lost the connection to the X server"), std::string::npos) << err;
    }
}

}  // namespace
