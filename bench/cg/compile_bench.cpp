// Median time to compile each of the demo's two shader texts: our compiler alone, then
// compile + load into the GL (glProgramStringARB) on a private Xvfb started here.
//   cg_bench [runs]
#include <vela/gl.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cg/program_texts.h"
#include "compiler.h"

namespace {

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
};
const Text texts[] = {
    {"vertex program (arbvp1)", vela::test::vertexProgramText, vela::cg::Profile::Arbvp1, CG_PROFILE_ARBVP1},
    {"fragment program (arbfp1)", vela::test::fragmentProgramText, vela::cg::Profile::Arbfp1, CG_PROFILE_ARBFP1},
};

// Starts Xvfb on a free display; returns its pid and sets DISPLAY, or -1.
pid_t startXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        FILE *devnull = std::fopen("/dev/null", "w");
        if (devnull) {
            dup2(fileno(devnull), 1);
            dup2(fileno(devnull), 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
               "+extension", "GLX", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char number[32] = {};
    ssize_t n = pid > 0 ? read(fds[0], number, sizeof number - 1) : -1;
    close(fds[0]);
    if (n <= 0) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    std::string display = ":" + std::string(number, size_t(n));
    while (!display.empty() && (display.back() == '\n' || display.back() == ' ')) display.pop_back();
    setenv("DISPLAY", display.c_str(), 1);
    return pid;
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
    std::printf("compiler alone (text -> ARB assembly), target < 100 us a text:\n");
    bool met = true;
    for (const Text &t : texts) {
        Figures f = measure(runs, [&] {
            vela::cg::CompileResult r = vela::cg::compile(t.source, t.profile);
            if (!r.ok) std::abort();
        });
        print(t.name, f);
        met = met && f.median < 100;
    }
    std::printf("  target %s\n", met ? "met" : "NOT met");

    std::printf("cgCreateProgram (compiler, handles, parameters):\n");
    CGcontext context = cgCreateContext();
    for (const Text &t : texts)
        print(t.name, measure(runs, [&] {
                  CGprogram p = cgCreateProgram(context, CG_SOURCE, t.source, t.cgProfile, nullptr, nullptr);
                  cgDestroyProgram(p);
              }));

    std::printf("compile + load into the GL (cgCreateProgram + cgGLLoadProgram):\n");
    pid_t xvfb = startXvfb();
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
