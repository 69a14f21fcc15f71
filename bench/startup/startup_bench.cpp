// Start-up figures: the time from exec to the first presented frame ("system finish
// onDraw" on stdout) and the peak resident memory, median over many runs, for Vela's
// framework, the whole program, and a minimal Xlib + GLX program as the reference.
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
    return true;
}

Figures measure(const std::vector<std::string> &program, Display *d, const std::string &display, int runs) {
    std::vector<double> times, peaks;
    for (int i = 0; i < runs; ++i) {
        double ms, mb;
        if (!runOnce(program, d, display, &ms, &mb)) {
            std::fprintf(stderr, "startup_bench: %s showed no frame\n", program[0].c_str());
            std::exit(1);
        }
        times.push_back(ms);
        peaks.push_back(mb);
    }
    return {median(times), median(peaks)};
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
    struct Entry {
        const char *label;
        std::vector<std::string> program;
        Figures f;
    } entries[] = {{"minimal Xlib + GLX", {dir + "/bench_minimal_glx"}, {}},
                   {"  the same + the triangle", {dir + "/bench_minimal_glx", "--triangle"}, {}},
                   {"framework (default frame)", {dir + "/bench_framework_only"}, {}},
                   {"vela (the demo)", {dir + "/vela"}, {}}};
    // Warm the caches once so the first measured run is not an outlier.
    for (auto &e : entries) measure(e.program, d, server.name(), 1);
    for (auto &e : entries) e.f = measure(e.program, d, server.name(), runs);

    const Figures &ref = entries[0].f;
    std::printf("start-up, median of %d runs on Xvfb + llvmpipe\n", runs);
    std::printf("%-28s %14s %8s %14s %10s\n", "program", "first frame", "ratio", "peak memory", "extra");
    for (auto &e : entries)
        std::printf("%-28s %11.1f ms %7.2fx %11.1f MB %+7.1f MB\n", e.label, e.f.firstFrameMs,
                    e.f.firstFrameMs / ref.firstFrameMs, e.f.peakMb, e.f.peakMb - ref.peakMb);
    XCloseDisplay(d);
    std::filesystem::remove_all(drive);
    return 0;
}
