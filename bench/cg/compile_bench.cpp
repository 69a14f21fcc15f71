// The shader compiler's figures: the median time to compile the demo's two texts (target
// under 100 us each) and a 200-line program with functions and loops (under 1 ms), alone
// and with the GL's own load (glProgramStringARB, on a private Xvfb started here) as the
// reference; the instructions emitted for typical programs beside a careful hand-written
// count; the error of the polynomials that stand in for missing instructions.
//   cg_bench [runs]
#include <vela/gl.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>

#include "cg/program_texts.h"
#include "compiler.h"
#include "assembly_lines.h"
#include "typical_programs.h"
#include "xvfb.h"

namespace {

using vela::bench::instructionCount;

using Clock = std::chrono::steady_clock;

struct Figures {
    double median, low, high;  // µs; low and high are the 10th and 90th percentiles
};

Figures measure(int runs, const std::function<void()> &work) {
    for (int i = 0; i < runs / 10 + 1; ++i) work();  // warm caches and the allocator
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() / 10], times[times.size() * 9 / 10]};
}

void print(const char *what, const Figures &f) {
    std::printf("  %-34s median %8.1f us   (p10 %8.1f, p90 %8.1f)\n", what, f.median, f.low, f.high);
}

struct Text {
    const char *name;
    const char *source;
    vela::cg::Profile profile;
    CGprofile cgProfile;
    double target;  // us
};
const Text texts[] = {
    {"demo vertex program (arbvp1)", vela::test::vertexProgramText, vela::cg::Profile::Arbvp1, CG_PROFILE_ARBVP1, 100},
    {"demo fragment program (arbfp1)", vela::test::fragmentProgramText, vela::cg::Profile::Arbfp1, CG_PROFILE_ARBFP1, 100},
    {"200-line program (arbvp1)", vela::bench::longProgram, vela::cg::Profile::Arbvp1, CG_PROFILE_ARBVP1, 1000},
};

// The instruction sequences the compiler emits for what a profile lacks, replayed in
// single precision (as the GL runs them) against the library's double precision.
float poly(float x, const float *c, int n) {
    float p = c[n - 1];
    for (int i = n - 2; i >= 0; --i) p = p * x + c[i];
    return p;
}
float vertexSin(float x, bool cosine) {
    static const float c[] = {-6.28318516f, 41.34165505f, -81.60100493f, 76.54979872f, -39.53681381f};
    float t = x * (1 / 6.28318530718f) + (cosine ? 0.5f : 0.25f);
    float u = t - std::floor(t);
    float w = std::fabs(u - 0.5f) - 0.25f;
    return w * poly(w * w, c, 5);
}
float acosUnit(float ax) {  // x in [0, 1]
    static const float c[] = {1.570796327f, -0.2133013191f, 0.07798137302f, -0.02164139807f};
    return (1 / (1 / std::sqrt(1 - ax))) * poly(ax, c, 4);
}
float approxAcos(float x) {
    float r = acosUnit(std::fabs(x));
    return x < 0 ? 3.14159265358979f - r : r;
}
float approxAsin(float x) {
    float r = 1.5707963268f - acosUnit(std::fabs(x));
    return x < 0 ? -r : r;
}
float approxAtan(float x) {
    static const float c[] = {0.9999772176f,  -0.3326227924f, 0.1935401412f,
                              -0.1164258619f, 0.05264664796f, -0.01171884947f};
    float t = std::fabs(x);
    float u = std::min(t, 1.0f) * (1 / std::max(t, 1.0f));
    float a = u * poly(u * u, c, 6);
    if (t > 1) a = 1.5707963268f - a;
    return x < 0 ? -a : a;
}
template <class F, class G> double worst(F approx, G exact, double from, double to) {
    double error = 0;
    for (int i = 0; i <= 200000; ++i) {
        double x = from + (to - from) * i / 200000;
        error = std::max(error, std::fabs(double(approx(float(x))) - exact(double(float(x)))));
    }
    return error;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool makeGlContext() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "cg_bench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "cg_bench", "cg bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.cColorBits = 24;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) return false;
    HGLRC rc = wglCreateContext(dc);
    return rc && wglMakeCurrent(dc, rc);
}

}  // namespace

int main(int argc, char **argv) {
    int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 5000;
    std::printf("cg compile benchmark, %d runs each\n", runs);
    std::printf("compiler alone (text -> ARB assembly):\n");
    for (const Text &t : texts) {
        vela::cg::CompileResult check = vela::cg::compile(t.source, t.profile);
        if (!check.ok) {
            std::printf("  %s did not compile:\n%s", t.name, check.listing.c_str());
            return 1;
        }
        Figures f = measure(runs, [&] {
            vela::cg::CompileResult r = vela::cg::compile(t.source, t.profile);
            if (!r.ok) std::abort();
        });
        print(t.name, f);
        std::printf("  %-34s target < %.0f us: %s (%d lines, %d instructions)\n", "", t.target,
                    f.median < t.target ? "met" : "NOT met", 1 + int(std::count(t.source, t.source + std::strlen(t.source) - 1, '\n')),
                    instructionCount(check.assembly));
    }

    // Beside them, the instructions that make literal constants (which the GL folds back into
    // immediates; a hand-written program has literal PARAMs instead).
    std::printf("instructions emitted beside a careful hand-written program (+ those making constants):\n");
    int ours = 0, hand = 0, making = 0;
    for (const vela::bench::Typical &p : vela::bench::typicalPrograms) {
        vela::cg::CompileResult r = vela::cg::compile(p.text, p.vertex ? vela::cg::Profile::Arbvp1 : vela::cg::Profile::Arbfp1);
        int k = r.ok ? r.stats.constantInstructions : 0, n = r.ok ? instructionCount(r.assembly) - k : -1;
        std::printf("  %-40s %s  ours %3d (+%2d)  hand-written %3d\n", p.name, p.vertex ? "arbvp1" : "arbfp1", n, k,
                    p.handWritten);
        if (!r.ok) std::printf("%s", r.listing.c_str());
        ours += n;
        making += k;
        hand += p.handWritten;
    }
    std::printf("  %-40s         ours %3d (+%2d)  hand-written %3d\n", "all", ours, making, hand);

    std::printf("largest error of the stand-in polynomials, single precision:\n");
    std::printf("  arbvp1 sin, cos on [-pi, pi]      %.2g, %.2g\n",
                worst([](float x) { return vertexSin(x, false); }, [](double x) { return std::sin(x); }, -M_PI, M_PI),
                worst([](float x) { return vertexSin(x, true); }, [](double x) { return std::cos(x); }, -M_PI, M_PI));
    std::printf("  arbvp1 sin, cos on [-100, 100]    %.2g, %.2g\n",
                worst([](float x) { return vertexSin(x, false); }, [](double x) { return std::sin(x); }, -100, 100),
                worst([](float x) { return vertexSin(x, true); }, [](double x) { return std::cos(x); }, -100, 100));
    std::printf("  acos, asin on [-1, 1]             %.2g, %.2g\n",
                worst(approxAcos, [](double x) { return std::acos(x); }, -1, 1),
                worst(approxAsin, [](double x) { return std::asin(x); }, -1, 1));
    std::printf("  atan on [-100, 100] (atan2 alike) %.2g\n",
                worst(approxAtan, [](double x) { return std::atan(x); }, -100, 100));

    std::printf("cgCreateProgram (compiler, handles, parameters):\n");
    CGcontext context = cgCreateContext();
    for (const Text &t : texts)
        print(t.name, measure(runs, [&] {
                  CGprogram p = cgCreateProgram(context, CG_SOURCE, t.source, t.cgProfile, nullptr, nullptr);
                  cgDestroyProgram(p);
              }));

    std::printf("compile + load into the GL (cgCreateProgram + cgGLLoadProgram):\n");
    pid_t xvfb = vela::bench::startXvfb("640x480x24");
    if (xvfb < 0) {
        std::printf("  skipped: could not start Xvfb (is it installed?)\n");
        return 0;
    }
    if (!makeGlContext()) {
        std::printf("  skipped: no GL context on the private Xvfb\n");
    } else {
        std::printf("  GL: %s, %s\n", glGetString(GL_RENDERER), glGetString(GL_VERSION));
        int glRuns = std::max(10, runs / 10);
        for (const Text &t : texts) {
            bool failed = false;
            Figures f = measure(glRuns, [&] {
                CGprogram p = cgCreateProgram(context, CG_SOURCE, t.source, t.cgProfile, nullptr, nullptr);
                cgGLLoadProgram(p);
                failed = failed || cgGetError() != CG_NO_ERROR;
                cgDestroyProgram(p);
            });
            print(t.name, f);
            if (failed) std::printf("  (the GL rejected the program!)\n");
        }
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return 0;
}
