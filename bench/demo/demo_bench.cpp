// The demo's figures against a raw Xlib + GLX reference drawing the same frame, both on one
// private Xvfb in the same run: the time of one paint (an Expose to "system finish onDraw"),
// the latency from a drag's pointer move to the frame that shows it and whether a burst of
// moves is coalesced into few paints, the first frame after exec, and the peak memory.
//
//   demo_bench [paint rounds] [paints per round] [drag moves] [start-up runs]
//   demo_bench --drive N command...    N paints of one program, e.g. vela under callgrind
#include "xtools.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

using namespace vela::xtools;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const char *const kFinish = "system finish onDraw";
// Where a drag starts, in client coordinates: clear of the combo box at the top left.
const int kPressX = 500, kPressY = 400;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Stats {
    double median = 0, p10 = 0, p90 = 0;
    size_t count = 0;
};

Stats stats(std::vector<double> v) {
    Stats s;
    s.count = v.size();
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.p10 = v[v.size() / 10];
    s.p90 = v[v.size() * 9 / 10];
    return s;
}

// What the programs' stdout said; Child hands every line it reads to `track`.
struct TraceState {
    std::string awaitedMove;  // "mouse move X Y" of the move just sent
    int moves = 0;            // "mouse move" lines
    int paints = 0;           // "system onDraw" lines
    int paintsBeforeMove = 0; // paints started after the move was sent but before its line
    bool moveSeen = false;
    bool paintAfterMove = false;
    bool presented = false;   // a paint begun after the move's line has finished
} trace;

// Milestones of the start-up, by the line that marks them: when each first arrived.
struct Phases {
    bool on = false;
    Clock::time_point start;
    std::vector<std::pair<std::string, double>> seen;
} phases;

const char *milestone(const std::string &line) {
    if (line == "Vela Boot") return "window and combo box made";
    if (line.rfind("GL_VENDOR: ", 0) == 0 || line == "reference: GL ready") return "GL context current";
    if (line == "start onInit") return "start onInit";
    if (line.rfind("image ptr ", 0) == 0 && line.rfind("image ptr ori", 0) != 0) return "first bitmap loaded";
    if (line == "reference: textures") return "textures loaded";
    if (line == "reference: programs") return "programs loaded";
    if (line == "system onDraw") return "first paint begins";
    if (line == kFinish) return "first frame presented";
    return nullptr;
}

void track(const std::string &line) {
    if (phases.on)
        if (const char *m = milestone(line))
            if (std::none_of(phases.seen.begin(), phases.seen.end(), [&](auto &p) { return p.first == m; }))
                phases.seen.emplace_back(m, msSince(phases.start));
    if (line.rfind("mouse move ", 0) == 0) {
        ++trace.moves;
        if (line == trace.awaitedMove) trace.moveSeen = true;
    } else if (line == "system onDraw") {
        ++trace.paints;
        if (trace.moveSeen)
            trace.paintAfterMove = true;
        else
            ++trace.paintsBeforeMove;
    } else if (line == kFinish && trace.paintAfterMove) {
        trace.presented = true;
    }
}

void resetTrace(const std::string &awaitedMove = "") {
    trace = TraceState{};
    trace.awaitedMove = awaitedMove;
}

// Reads and counts whatever the program prints for `quiet`.
void drain(Child &c, std::chrono::milliseconds quiet) { c.waitFor("\x01", quiet, track); }

// A running program, its window, and the time from exec to its first frame.
struct Program {
    std::string label;
    std::unique_ptr<Child> child;
    Window window = 0;
    double firstFrameMs = 0;
};

// Starts `path` with VELA_DRIVE_D set (the program's stderr to /dev/null when `quietStderr`).
bool launch(const std::string &path, const std::string &driveD, bool quietStderr, Display *d,
            const std::string &display, Program &p) {
    setenv("VELA_DRIVE_D", driveD.c_str(), 1);
    int savedErr = -1;
    if (quietStderr) {
        std::fflush(stderr);
        savedErr = dup(2);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    auto start = Clock::now();
    phases = Phases{true, start, {}};
    p.child = std::make_unique<Child>(std::vector<std::string>{path}, display);
    if (savedErr >= 0) {
        dup2(savedErr, 2);
        close(savedErr);
    }
    if (!p.child->waitFor(kFinish, 60s, track)) return false;
    p.firstFrameMs = msSince(start);
    phases.on = false;
    p.window = windowOfProcess(d, p.child->pid(), 5s);
    return p.window != 0;
}

// Closes the program as a window manager would; its peak resident memory in MB.
double closeProgram(Program &p, Display *d) {
    requestClose(d, p.window);
    rusage usage{};
    if (p.child->wait(10s, &usage) < 0) {
        std::fprintf(stderr, "demo_bench: %s did not close; killed\n", p.label.c_str());
        p.child->terminate(9);
        p.child->wait(5s, &usage);
    }
    return usage.ru_maxrss / 1024.0;
}

// Puts the window on top (its Expose paint drained), so exposures and pointer reach it.
void raise(Program &p, Display *d) {
    XRaiseWindow(d, p.window);
    XSync(d, False);
    drain(*p.child, 300ms);
}

void rootOrigin(Display *d, Window w, int *x, int *y) {
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, x, y, &child);
}

// Expose the whole client area and time it to the end of the paint it causes.
bool timePaints(Program &p, Display *d, int count, std::vector<double> &out) {
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        XClearArea(d, p.window, 0, 0, 0, 0, True);
        XFlush(d);
        if (!p.child->waitFor(kFinish, 10s, track)) return false;
        out.push_back(msSince(start));
    }
    return true;
}

bool press(Program &p, Display *d, int x, int y) {
    int rx, ry;
    rootOrigin(d, p.window, &rx, &ry);
    XTestFakeMotionEvent(d, -1, rx + x, ry + y, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XFlush(d);
    return p.child->waitFor("mouse down " + std::to_string(x) + " " + std::to_string(y), 5s, track);
}

bool release(Program &p, Display *d) {
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
    bool ok = p.child->waitFor("mouse up " + std::to_string(kPressX) + " " + std::to_string(kPressY), 5s, track);
    drain(*p.child, 200ms);
    return ok;
}

struct DragFigures {
    std::vector<double> latencies;
    int moves = 0, byNextPaint = 0;
};

// One move at a time during a left drag: from the fake motion to the end of the paint that
// follows the move's trace line. "By the next paint": no paint began in between.
bool timeDragMoves(Program &p, Display *d, int count, DragFigures &f) {
    int rx, ry;
    rootOrigin(d, p.window, &rx, &ry);
    if (!press(p, d, kPressX, kPressY)) return false;
    drain(*p.child, 100ms);
    for (int i = 0; i < count; ++i) {
        int x = 450 + (i * 7) % 100, y = 350 + (i * 3) % 50;
        resetTrace("mouse move " + std::to_string(x) + " " + std::to_string(y));
        auto start = Clock::now();
        XTestFakeMotionEvent(d, -1, rx + x, ry + y, CurrentTime);
        XFlush(d);
        auto end = start + 10s;
        while (!trace.presented && Clock::now() < end) p.child->waitFor(kFinish, 10s, track);
        if (!trace.presented) return false;
        f.latencies.push_back(msSince(start));
        ++f.moves;
        if (trace.paintsBeforeMove == 0) ++f.byNextPaint;
    }
    // Back to the press point, so the release reports it.
    XTestFakeMotionEvent(d, -1, rx + kPressX, ry + kPressY, CurrentTime);
    XFlush(d);
    drain(*p.child, 200ms);
    return release(p, d);
}

struct BurstFigures {
    std::vector<double> moveLines, paints;
};

// Bursts of moves sent in one flush during a drag: how many reach the program as moves, and
// how many paints they cause.
bool burstMoves(Program &p, Display *d, int bursts, int movesPerBurst, BurstFigures &f) {
    int rx, ry;
    rootOrigin(d, p.window, &rx, &ry);
    if (!press(p, d, kPressX, kPressY)) return false;
    drain(*p.child, 100ms);
    for (int b = 0; b < bursts; ++b) {
        int lastX = 0, lastY = 0;
        for (int k = 0; k < movesPerBurst; ++k) {
            lastX = 300 + k * 5 + (b % 2) * 2;
            lastY = 200 + k * 3;
            XTestFakeMotionEvent(d, -1, rx + lastX, ry + lastY, CurrentTime);
        }
        resetTrace();
        XFlush(d);
        if (!p.child->waitFor("mouse move " + std::to_string(lastX) + " " + std::to_string(lastY), 10s, track))
            return false;
        drain(*p.child, 400ms);
        f.moveLines.push_back(trace.moves);
        f.paints.push_back(trace.paints);
    }
    XTestFakeMotionEvent(d, -1, rx + kPressX, ry + kPressY, CurrentTime);
    XFlush(d);
    drain(*p.child, 200ms);
    return release(p, d);
}

std::vector<std::string> madeDirs;  // removed at the end, also when the bench gives up

std::string makeDir(const char *pattern) {
    std::string s = pattern;
    if (!mkdtemp(s.data())) return {};
    madeDirs.push_back(s);
    return s;
}

void removeMadeDirs() {
    std::error_code ignored;
    for (const auto &dir : madeDirs) std::filesystem::remove_all(dir, ignored);
    madeDirs.clear();
}

const char *met(bool yes) { return yes ? "met" : "MISSED"; }

// Unwinds to main, so the programs and the X server are stopped on the way.
[[noreturn]] void die(const char *what) { throw std::runtime_error(what); }

}  // namespace

// `demo_bench --drive N command...`: N paints of one program (say, vela under callgrind).
int drive(int paints, std::vector<std::string> command) {
    Xvfb server;
    if (!server.ok()) die("cannot start Xvfb");
    Display *d = XOpenDisplay(server.name().c_str());
    if (!d) die("cannot open the private display");
    std::string shm = makeDir("/dev/shm/vela-demo-bench-XXXXXX");
    setenv("VELA_DRIVE_D", shm.c_str(), 1);
    Program p;
    p.label = command[0];
    p.child = std::make_unique<Child>(command, server.name());
    if (!p.child->waitFor(kFinish, 600s, track) || !(p.window = windowOfProcess(d, p.child->pid(), 10s)))
        die("no first frame");
    drain(*p.child, 500ms);
    std::vector<double> ms;
    if (!timePaints(p, d, paints, ms)) die("a paint did not finish");
    Stats s = stats(ms);
    std::printf("%d paints: median %.2f ms [%.2f - %.2f]\n", paints, s.median, s.p10, s.p90);
    requestClose(d, p.window);
    p.child->wait(120s);
    XCloseDisplay(d);
    return 0;
}

int run(int argc, char **argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 30;    // paint blocks per program
    int perRound = argc > 2 ? std::atoi(argv[2]) : 10;  // paints per block
    int dragMoves = argc > 3 ? std::atoi(argv[3]) : 150;
    int startRuns = argc > 4 ? std::atoi(argv[4]) : 25;
    if (rounds < 1 || perRound < 1 || dragMoves < 1 || startRuns < 1)
        die("usage: demo_bench [paint rounds] [paints per round] [drag moves] [start-up runs]");

    const std::string bin = VELA_BENCH_BIN_DIR;
    const std::string vela = bin + "/vela", reference = bin + "/bench_demo_reference";
    const std::string velaFullBuffering = bin + "/bench_vela_full_buffering";
    std::string shm = makeDir("/dev/shm/vela-demo-bench-XXXXXX");
    std::string disk = makeDir("/var/tmp/vela-demo-bench-XXXXXX");
    if (shm.empty() || disk.empty()) die("cannot make the drive D folders");
    // Below a regular file: every debug write fails at once, so nothing is written.
    std::ofstream(disk + "/file").put('x');
    const std::string nowhere = disk + "/file/d";

    Xvfb server;
    if (!server.ok()) die("cannot start Xvfb");
    Display *d = XOpenDisplay(server.name().c_str());
    if (!d) die("cannot open the private display");
    int event, error, major, minor;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor)) die("the X server has no XTEST");
    std::printf("demo_bench on %s: %d x %d paints, %d drag moves, %d start-up runs each\n", server.name().c_str(),
                rounds, perRound, dragMoves, startRuns);
    std::fflush(stdout);

    // ---- Paint and drag: both programs running, each on top while measured. -------------
    // The two references with a trace tell what the demo's trace costs a paint, line by line
    // and in one write; vela with its trace fully buffered (one write a paint) tells what its
    // line-by-line trace costs.
    const int kPrograms = 5;
    Program programs[kPrograms];
    programs[0].label = "vela";
    programs[1].label = "reference";
    programs[2].label = "reference printing a trace";
    programs[3].label = "reference printing a trace, one write a paint";
    programs[4].label = "vela, trace fully buffered";
    if (!launch(vela, shm, false, d, server.name(), programs[0])) die("vela showed no frame");
    if (!launch(velaFullBuffering, shm, false, d, server.name(), programs[4])) die("vela (full buffering) showed no frame");
    if (!launch(reference, shm, false, d, server.name(), programs[1])) die("the reference showed no frame");
    const char *traceModes[] = {"line", "block"};
    for (int i = 2; i < 4; ++i) {
        setenv("VELA_REFERENCE_TRACE", traceModes[i - 2], 1);
        bool ok = launch(reference, shm, false, d, server.name(), programs[i]);
        unsetenv("VELA_REFERENCE_TRACE");
        if (!ok) die("a tracing reference showed no frame");
    }
    std::vector<double> paintMs[kPrograms];
    for (int r = 0; r < rounds; ++r)
        for (int i = 0; i < kPrograms; ++i) {
            raise(programs[i], d);
            if (!timePaints(programs[i], d, perRound, paintMs[i])) die("a paint did not finish");
        }
    DragFigures drag[2];
    BurstFigures burst[2];
    const int kBursts = 10, kMovesPerBurst = 50;
    for (int i = 0; i < 2; ++i) {
        raise(programs[i], d);
        // Interleaved halves, so a busy spell of the machine hits both.
        if (!timeDragMoves(programs[i], d, dragMoves / 2, drag[i])) die("a drag move was not presented");
    }
    for (int i = 0; i < 2; ++i) {
        raise(programs[i], d);
        if (!timeDragMoves(programs[i], d, dragMoves - dragMoves / 2, drag[i])) die("a drag move was not presented");
        if (!burstMoves(programs[i], d, kBursts, kMovesPerBurst, burst[i])) die("a burst of moves got lost");
    }
    double runningPeak[kPrograms];
    for (int i = 0; i < kPrograms; ++i) runningPeak[i] = closeProgram(programs[i], d);

    // ---- Start-up: exec to first frame and peak memory, runs interleaved. ----------------
    struct StartCase {
        const char *label;
        const std::string *path, *drive;
        std::vector<double> ms, mb;
        std::vector<std::pair<std::string, std::vector<double>>> phases;
    } cases[] = {{"reference", &reference, &shm, {}, {}, {}},
                 {"vela, drive D on tmpfs", &vela, &shm, {}, {}, {}},
                 {"vela, drive D on disk", &vela, &disk, {}, {}, {}},
                 {"vela, no debug writes", &vela, &nowhere, {}, {}, {}}};
    for (int run = -1; run < startRuns; ++run)  // run -1 warms the caches
        for (auto &c : cases) {
            Program p;
            p.label = c.label;
            if (!launch(*c.path, *c.drive, c.drive == &nowhere, d, server.name(), p)) die("no first frame");
            drain(*p.child, 300ms);
            double mb = closeProgram(p, d);
            if (run < 0) continue;
            c.ms.push_back(p.firstFrameMs);
            c.mb.push_back(mb);
            for (auto &[name, ms] : phases.seen) {
                auto at = std::find_if(c.phases.begin(), c.phases.end(), [&](auto &q) { return q.first == name; });
                if (at == c.phases.end()) at = c.phases.insert(c.phases.end(), {name, {}});
                at->second.push_back(ms);
            }
        }

    // ---- Figures. ---------------------------------------------------------------------
    Stats paint[2] = {stats(paintMs[0]), stats(paintMs[1])};
    Stats lat[2] = {stats(drag[0].latencies), stats(drag[1].latencies)};
    Stats burstMovesSeen[2] = {stats(burst[0].moveLines), stats(burst[1].moveLines)};
    Stats burstPaints[2] = {stats(burst[0].paints), stats(burst[1].paints)};
    Stats first[4], peak[4];
    for (int i = 0; i < 4; ++i) first[i] = stats(cases[i].ms), peak[i] = stats(cases[i].mb);

    std::printf("\nFigures in ms: median [10th - 90th percentile] over n; Xvfb + llvmpipe\n");
    std::printf("%-44s %-30s %-30s %7s\n", "", "vela", "reference", "ratio");
    auto row = [](const char *what, const Stats &v, const Stats &r) {
        char a[64], b[64];
        std::snprintf(a, sizeof a, "%7.2f [%6.2f - %6.2f] n=%zu", v.median, v.p10, v.p90, v.count);
        std::snprintf(b, sizeof b, "%7.2f [%6.2f - %6.2f] n=%zu", r.median, r.p10, r.p90, r.count);
        std::printf("%-44s %-30s %-30s %6.2fx\n", what, a, b, r.median > 0 ? v.median / r.median : 0.0);
    };
    row("one paint (Expose -> finish)", paint[0], paint[1]);
    row("  the reference printing the same trace", stats(paintMs[2]), paint[1]);
    row("  ... in one write a paint", stats(paintMs[3]), paint[1]);
    row("one paint, vela against vela fully buffered", paint[0], stats(paintMs[4]));
    row("drag move -> presented frame", lat[0], lat[1]);
    row("first frame (vela: drive D on tmpfs)", first[1], first[0]);
    row("first frame (vela: drive D on disk)", first[2], first[0]);
    row("first frame (vela: no debug writes)", first[3], first[0]);
    std::printf("%-44s %7.1f MB%22s %7.1f MB%22s %+6.1f MB\n", "peak memory, start-up run (tmpfs)", peak[1].median, "",
                peak[0].median, "", peak[1].median - peak[0].median);
    std::printf("%-44s %7.1f MB%22s %7.1f MB%22s %+6.1f MB\n", "peak memory, after paints and drags",
                runningPeak[0], "", runningPeak[1], "", runningPeak[0] - runningPeak[1]);
    std::printf("%-44s %4d of %-22d %4d of %-22d\n", "drag moves shown by the very next paint", drag[0].byNextPaint,
                drag[0].moves, drag[1].byNextPaint, drag[1].moves);
    std::printf("%-44s %7.0f moves, %3.0f paints%9s %7.0f moves, %3.0f paints\n",
                "burst of 50 moves (median of 10 bursts)", burstMovesSeen[0].median, burstPaints[0].median, "",
                burstMovesSeen[1].median, burstPaints[1].median);
    std::printf("debug writes cost %.1f ms on tmpfs and %.1f ms on disk (against no writes)\n",
                first[1].median - first[3].median,
                first[2].median - first[3].median);

    std::printf("\nStart-up milestones, ms since exec (median; the line that marks each arrives on the pipe)\n");
    for (auto &c : cases) {
        std::printf("  %s:\n", c.label);
        double before = 0;
        for (auto &[name, ms] : c.phases) {
            double m = stats(ms).median;
            std::printf("    %-28s %7.1f  (+%.1f)\n", name.c_str(), m, m - before);
            before = m;
        }
    }

    std::printf("\nTargets\n");
    double paintRatio = paint[0].median / paint[1].median;
    std::printf("  one paint within 1.1x of the reference's:        %.2fx  %s  (%.2fx of the reference printing the same trace)\n",
                paintRatio, met(paintRatio <= 1.1), paint[0].median / stats(paintMs[2]).median);
    double bufferingRatio = paint[0].median / stats(paintMs[4]).median;
    std::printf("  a line-by-line trace within 3 %% of full buffering: %+.1f %%  %s\n", (bufferingRatio - 1) * 100,
                met(bufferingRatio <= 1.03));
    bool nextPaint = drag[0].byNextPaint == drag[0].moves;
    std::printf("  a drag move presented by the very next paint:    %d of %d  %s\n", drag[0].byNextPaint,
                drag[0].moves, met(nextPaint));
    // Queued paints would be one per move; coalesced ones a few per burst at most.
    bool coalesced = burstPaints[0].p90 * 10 <= kMovesPerBurst;
    std::printf("  moves faster than paints coalesced:              %.0f paints for 50 moves (90th pct %.0f)  %s\n",
                burstPaints[0].median, burstPaints[0].p90, met(coalesced));
    double firstRatio = first[1].median / first[0].median;
    std::printf("  first frame within 1.3x, writes to tmpfs:        %.2fx (%.2fx with no writes)  %s\n",
                firstRatio, first[3].median / first[0].median, met(firstRatio <= 1.3));
    double extra = peak[1].median - peak[0].median;
    std::printf("  peak memory within 8 MB of the reference's:      %+.1f MB  %s\n", extra, met(extra <= 8));

    XCloseDisplay(d);
    return 0;
}

int main(int argc, char **argv) {
    int status = 1;
    try {
        if (argc > 3 && std::string(argv[1]) == "--drive")
            status = drive(std::atoi(argv[2]), {argv + 3, argv + argc});
        else
            status = run(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "demo_bench: %s\n", e.what());
    }
    removeMadeDirs();
    return status;
}
