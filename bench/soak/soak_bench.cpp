// vela under a long run of real input on a private Xvfb: drag moves, the list opened and
// closed, and items picked with both message boxes answered. Every 1,000 operations it prints
// the program's resident memory and what the X server holds for the program's connection
// (X-Resource: windows, pixmaps, GCs, pictures, ... and pixmap bytes), so growth shows,
// whether in vela's own memory, in the libraries it runs on, or in the server.
//
//   soak_bench [drag moves] [list cycles] [picks]      (default 10000 1000 100)
#include "xtools.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

using namespace vela::xtools;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const int kItemHeight = 18;  // the list's rows, 1 pixel below its top border

[[noreturn]] void die(const std::string &what) { throw std::runtime_error(what); }

struct Trace {
    long paints = 0;
    std::string awaited;
    bool seen = false;
} trace;

void track(const std::string &line) {
    if (line == "system onDraw") ++trace.paints;
    if (line == trace.awaited) trace.seen = true;
}

// Reads the trace until `line` has come.
void waitLine(Child &c, const std::string &line) {
    trace.awaited = line;
    trace.seen = false;
    auto end = Clock::now() + 20s;
    while (!trace.seen && Clock::now() < end) c.waitFor("\x01", 20ms, track);
    if (!trace.seen) die("no \"" + line + "\" from the program");
}

// Waits until `count` windows of class `cls` are shown; keeps the trace drained meanwhile.
std::vector<Window> waitWindows(Display *d, Child &c, const char *cls, size_t count) {
    auto end = Clock::now() + 20s;
    for (;;) {
        auto all = windowsOfClass(d, cls);
        if (all.size() == count) return all;
        if (Clock::now() >= end) die(std::string("waiting for ") + std::to_string(count) + " " + cls + " windows");
        c.waitFor("\x01", 1ms, track);
    }
}

void at(Display *d, Window w, int x, int y) {
    int rx, ry;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
}

void click(Display *d, Window w, int x, int y) {
    at(d, w, x, y);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
}

long statusKb(pid_t pid, const char *field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
    return -1;
}

// What the X server holds for the client that owns `window`: resources by type, pixmap bytes.
struct ServerShare {
    std::map<std::string, int> resources;
    unsigned long pixmapBytes = 0;
};

ServerShare serverShare(Display *d, Window window) {
    ServerShare s;
    int n = 0;
    XResClient *clients = nullptr;
    if (!XResQueryClients(d, &n, &clients)) return s;
    for (int i = 0; i < n; ++i) {
        if ((window & ~clients[i].resource_mask) != clients[i].resource_base) continue;
        int types = 0;
        XResType *t = nullptr;
        if (XResQueryClientResources(d, clients[i].resource_base, &types, &t)) {
            for (int k = 0; k < types; ++k) {
                char *name = XGetAtomName(d, t[k].resource_type);
                s.resources[name ? name : "?"] = (int)t[k].count;
                if (name) XFree(name);
            }
            XFree(t);
        }
        XResQueryClientPixmapBytes(d, clients[i].resource_base, &s.pixmapBytes);
    }
    XFree(clients);
    return s;
}

struct Soak {
    Display *d;
    Child &program;
    Window window;
    long operations = 0;
    long rss0 = 0;
    ServerShare server0;
    Clock::time_point start = Clock::now();

    void header() {
        std::printf("%9s %-12s %9s %9s %8s %7s  %s\n", "ops", "phase", "RSS kB", "+kB", "paints", "s",
                    "X server, for vela's connection (resources by type; pixmap bytes)");
    }
    void report(const char *phase) {
        long rss = statusKb(program.pid(), "VmRSS:");
        ServerShare s = serverShare(d, window);
        if (operations == 0) rss0 = rss, server0 = s;
        std::string server;
        for (auto &[type, n] : s.resources) {
            int was = server0.resources.count(type) ? server0.resources[type] : 0;
            server += type + " " + std::to_string(n) + (n != was ? "(" + std::to_string(n - was) + ")" : "") + ", ";
        }
        std::printf("%9ld %-12s %9ld %+9ld %8ld %7.1f  %spixmap bytes %lu\n", operations, phase, rss, rss - rss0,
                    trace.paints, std::chrono::duration<double>(Clock::now() - start).count(), server.c_str(),
                    s.pixmapBytes);
        std::fflush(stdout);
    }
    // One operation done; a report every 1,000, and after a phase's first operation (what
    // follows that one is growth after warm-up).
    void done(const char *phase, bool first) {
        if (++operations % 1000 == 0 || first) report(phase);
    }
};

void dragMoves(Soak &s, int moves) {
    const int kPressX = 500, kPressY = 400;
    for (int i = 0; i < moves; ++i) {
        if (i % 1000 == 0) {
            at(s.d, s.window, kPressX, kPressY);
            XTestFakeButtonEvent(s.d, 1, True, CurrentTime);
            XFlush(s.d);
            waitLine(s.program, "mouse down " + std::to_string(kPressX) + " " + std::to_string(kPressY));
        }
        int x = 450 + (i * 7) % 100, y = 350 + (i * 3) % 50;
        at(s.d, s.window, x, y);
        XFlush(s.d);
        // In step with the program every ten moves (the moves in between coalesce).
        bool last = i % 1000 == 999 || i == moves - 1;
        if (i % 10 == 9 || last) waitLine(s.program, "mouse move " + std::to_string(x) + " " + std::to_string(y));
        if (last) {
            XTestFakeButtonEvent(s.d, 1, False, CurrentTime);
            XFlush(s.d);
            waitLine(s.program, "mouse up " + std::to_string(x) + " " + std::to_string(y));
        }
        s.done("drag", i == 0);
    }
}

void listCycles(Soak &s, int cycles) {
    for (int i = 0; i < cycles; ++i) {
        click(s.d, s.window, 150, 12);
        waitWindows(s.d, s.program, "ComboLBox", 1);
        click(s.d, s.window, 150, 12);
        waitWindows(s.d, s.program, "ComboLBox", 0);
        s.done("list", i == 0);
    }
}

// Answers a message box with its OK button.
void answer(Soak &s, Window box) {
    XWindowAttributes a;
    XGetWindowAttributes(s.d, box, &a);
    click(s.d, box, a.width - 12 - 44, a.height - 22);
}

void picks(Soak &s, int count) {
    for (int i = 0; i < count; ++i) {
        click(s.d, s.window, 150, 12);
        Window list = waitWindows(s.d, s.program, "ComboLBox", 1)[0];
        click(s.d, list, 100, 1 + (i % 2) * kItemHeight + kItemHeight / 2);  // "aaa", "bbb" in turn
        Window first = waitWindows(s.d, s.program, "#32770", 1)[0];
        answer(s, first);
        Window second = first;
        while (second == first) second = waitWindows(s.d, s.program, "#32770", 1)[0];
        answer(s, second);
        waitWindows(s.d, s.program, "#32770", 0);
        s.done("pick", i == 0);
    }
}

}  // namespace

int main(int argc, char **argv) {
    int moves = argc > 1 ? std::atoi(argv[1]) : 10000;
    int cycles = argc > 2 ? std::atoi(argv[2]) : 1000;
    int pickCount = argc > 3 ? std::atoi(argv[3]) : 100;
    std::string drive = (std::filesystem::temp_directory_path() / "vela-soak-XXXXXX").string();
    if (!mkdtemp(drive.data())) return 1;
    int status = 1;
    try {
        Xvfb server;
        if (!server.ok()) die("cannot start Xvfb");
        Display *d = XOpenDisplay(server.name().c_str());
        if (!d) die("cannot open the private display");
        int a, b, c, e;
        if (!XTestQueryExtension(d, &a, &b, &c, &e)) die("the X server has no XTEST");
        if (!XResQueryExtension(d, &a, &b)) die("the X server has no X-Resource extension");
        setenv("VELA_DRIVE_D", drive.c_str(), 1);
        Child program({VELA_BENCH_BIN_DIR "/vela"}, server.name());
        if (!program.waitFor("system finish onDraw", 60s, track)) die("vela showed no frame");
        Window window = windowOfProcess(d, program.pid(), 10s);
        if (!window) die("vela's window is not on the display");
        std::printf("soak_bench on %s: %d drag moves, %d list cycles, %d picks; vela pid %d\n",
                    server.name().c_str(), moves, cycles, pickCount, (int)program.pid());
        Soak s{d, program, window, 0, 0, {}, Clock::now()};
        s.header();
        s.report("start");
        dragMoves(s, moves);
        s.report("drags done");
        listCycles(s, cycles);
        s.report("lists done");
        picks(s, pickCount);
        s.report("picks done");
        std::printf("peak RSS %ld kB\n", statusKb(program.pid(), "VmHWM:"));
        requestClose(d, window);
        status = program.wait(20s) == 0 ? 0 : 1;
        XCloseDisplay(d);
    } catch (const std::exception &ex) {
        std::fprintf(stderr, "soak_bench: %s\n", ex.what());
    }
    std::error_code ignored;
    std::filesystem::remove_all(drive, ignored);
    return status;
}
