// Start-up figures: the time from exec to the first presented frame ("system finish
// onDraw" on stdout) and the peak resident memory, median over many interleaved runs, for
// Vela's framework and the whole program, against raw Xlib + GLX references: a minimal one,
// and one doing Vela's start-up work (the same frame, textures, debug copies and trace).
#include "xtools.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using namespace vela::xtools;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
    double firstFrameMs = 0;
    double peakMb = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One run: exec to first frame; then a moment for whatever follows the first frame (the
// controls' first paint), a close request, and the peak memory the kernel counted.
bool runOnce(const std::vector<std::string> &program, Display *d, const std::string &display, double *ms, double *mb) {
    auto start = Clock::now();
    Child child(program, display);
    if (!child.waitFor("system finish onDraw", 60s, nullptr)) return false;
    *ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::this_thread::sleep_for(300ms);
    if (Window w = windowOfProcess(d, child.pid(), 5s)) requestClose(d, w);
    rusage usage{};
    if (child.wait(10s, &usage) < 0) {
        child.terminate(9);
        child.wait(5s, &usage);
    }
    *mb = usage.ru_maxrss / 1024.0;
    // The X server tears down what the program left (its GL context, textures, windows) after
    // the exit; the next program must not start while it is busy with that.
    XSync(d, False);
    std::this_thread::sleep_for(250ms);
    return true;
}

struct Entry {
    const char *label;
    std::vector<std::string> program;
    std::vector<std::pair<const char *, const char *>> env;
    std::vector<double> times, peaks;
    Figures f;
};

void runEntry(Entry &e, Display *d, const std::string &display, bool keep) {
    for (auto &[name, value] : e.env) setenv(name, value, 1);
    double ms, mb;
    bool ok = runOnce(e.program, d, display, &ms, &mb);
    for (auto &[name, value] : e.env) unsetenv(name);
    if (!ok) {
        std::fprintf(stderr, "startup_bench: %s showed no frame\n", e.label);
        std::exit(1);
    }
    if (!keep) return;
    e.times.push_back(ms);
    e.peaks.push_back(mb);
}

}  // namespace

int main(int argc, char **argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    // Vela's debug copies go to a folder of the run's own, not the working directory.
    char drive[] = "/tmp/vela-startup-bench-XXXXXX";
    if (!mkdtemp(drive)) return 1;
    setenv("VELA_DRIVE_D", drive, 1);
    Xvfb server;
    if (!server.ok()) {
        std::fprintf(stderr, "startup_bench: cannot start Xvfb\n");
        return 1;
    }
    Display *d = XOpenDisplay(server.name().c_str());
    if (!d) {
        std::fprintf(stderr, "startup_bench: cannot open the private display %s\n", server.name().c_str());
        return 1;
    }
    const std::string dir = VELA_BENCH_BIN_DIR;
    Entry entries[] = {
        {"minimal Xlib + GLX", {dir + "/bench_minimal_glx"}, {}, {}, {}, {}},
        {"  the same + the triangle", {dir + "/bench_minimal_glx", "--triangle"}, {}, {}, {}, {}},
        {"framework (default frame)", {dir + "/bench_framework_only"}, {}, {}, {}, {}},
        {"same-work Xlib + GLX", {dir + "/bench_demo_reference"},
         {{"VELA_REFERENCE_TRACE", "1"}, {"VELA_REFERENCE_SAME_WORK", "1"}}, {}, {}, {}},
        {"vela (the demo)", {dir + "/vela"}, {}, {}, {}, {}}};
    // Warm the caches once so the first measured run is not an outlier; then the programs
    // take turns, so a slow moment of the machine falls on all of them alike.
    for (auto &e : entries) runEntry(e, d, server.name(), false);
    for (int i = 0; i < runs; ++i)
        for (auto &e : entries) runEntry(e, d, server.name(), true);
    for (auto &e : entries) e.f = {median(e.times), median(e.peaks)};

    const Figures &ref = entries[0].f;
    std::printf("start-up, median of %d runs on Xvfb + llvmpipe\n", runs);
    std::printf("%-28s %14s %8s %14s %10s\n", "program", "first frame", "ratio", "peak memory", "extra");
    for (auto &e : entries)
        std::printf("%-28s %11.1f ms %7.2fx %11.1f MB %+7.1f MB\n", e.label, e.f.firstFrameMs,
                    e.f.firstFrameMs / ref.firstFrameMs, e.f.peakMb, e.f.peakMb - ref.peakMb);
    const Figures &same = entries[3].f, &vela = entries[4].f;
    // Each run's own ratio too: the median of ratios is steadier than a ratio of medians.
    std::vector<double> ratios;
    for (size_t i = 0; i < entries[4].times.size(); ++i) ratios.push_back(entries[4].times[i] / entries[3].times[i]);
    std::printf("\nvela against the same-work reference: %.2fx first frame (median of per-run ratios %.2fx), "
                "%+.1f MB peak memory\n",
                vela.firstFrameMs / same.firstFrameMs, median(ratios), vela.peakMb - same.peakMb);
    XCloseDisplay(d);
    std::filesystem::remove_all(drive);
    return 0;
}
