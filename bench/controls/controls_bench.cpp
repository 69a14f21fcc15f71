// Figures for the built-in controls on a private Xvfb: the first paints of a combo box
// (an empty field needs no font; the first text opens it), later paints of the field and
// of a 40-item list, text measures, message box layout, and the list logic.
#include "core/controls.h"
#include "x11/x11_platform.h"

#include <windows.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Starts Xvfb on a free display; its pid, or -1.
pid_t startXvfb(std::string &name) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the benchmark
        dup2(fds[1], 3);
        if (int null = open("/dev/null", O_WRONLY); null >= 0) dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the number and the newline separately: closing early would fail it.
    std::string num;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') num += c;
    close(fds[0]);
    if (num.empty()) return -1;
    name = ":" + num;
    return pid;
}

// Dispatches everything queued; returns how long the paint of `target` took, if it came.
double pump(HWND target = nullptr) {
    double took = -1;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        auto t = Clock::now();
        DispatchMessageA(&m);
        XSync(vela::x11::state().display, False);
        if (m.hwnd == target && m.message == WM_PAINT) took = msSince(t);
    }
    return took;
}

double average(int runs, const std::function<void()> &f) {
    auto t = Clock::now();
    for (int i = 0; i < runs; ++i) f();
    return msSince(t) / runs;
}

LRESULT CALLBACK mainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

}  // namespace

int main() {
    std::string display;
    pid_t server = -1;
    // Another server starting at the same moment may take the same number: try again.
    for (int attempt = 0; attempt < 3 && server < 0; ++attempt) {
        server = startXvfb(display);
        if (server < 0) continue;
        if (Display *probe = XOpenDisplay(display.c_str())) {
            XCloseDisplay(probe);
        } else {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            server = -1;
        }
    }
    if (server < 0) {
        std::fprintf(stderr, "controls_bench: cannot start Xvfb\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);

    WNDCLASSA wc{};
    wc.lpfnWndProc = mainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "bench";
    RegisterClassA(&wc);
    auto t0 = Clock::now();
    HWND main = CreateWindowExA(0, "bench", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 1024, 650, nullptr,
                                nullptr, wc.hInstance, nullptr);
    HWND combo = CreateWindowExA(0, "COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT,
                                 0, 0, 300, 300, main, (HMENU)1000, wc.hInstance, nullptr);
    for (const char *t : {"aaa", "bbb", "ccc"}) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)t);
    double create = msSince(t0);
    double firstPaint = pump(combo);
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    InvalidateRect(combo, nullptr, FALSE);
    double firstText = pump(combo);
    std::printf("main window + combo box created (no font opened): %.2f ms\n", create);
    std::printf("first combo box paint, empty field (no font):      %.2f ms\n", firstPaint);
    std::printf("first paint with text (opens the UI font):         %.2f ms\n", firstText);

    double field = average(200, [&] {
        InvalidateRect(combo, nullptr, FALSE);
        pump();
    });
    std::printf("combo box field paint:                             %.3f ms\n", field);

    char text[16];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(text, sizeof text, "item %02d", i);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    pump();
    HWND list = vela::core::comboBoxOf(combo)->list;
    double listPaint = average(200, [&] {
        InvalidateRect(list, nullptr, FALSE);
        pump();
    });
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    pump();
    std::printf("list paint, 15 of 43 rows:                         %.3f ms\n", listPaint);

    const std::string japanese = "\xE3\x82\xA2\xE3\x82\xA4\xE3\x83\x86\xE3\x83\xA0\xE6\x95\xB0 = 3";
    double measure = average(2000, [&] { vela::core::backend().textExtent(japanese); });
    std::printf("text measure, mixed Japanese line:                 %.4f ms\n", measure);
    double layout = average(500, [&] {
        vela::core::MessageBoxState box;
        SIZE size;
        vela::core::layoutMessageBox(box, "\xE3\x82\xA2\xE3\x82\xA4\xE3\x83\x86\xE3\x83\xA0 = 3\nline two", "caption",
                                     MB_OK, 800, 900, &size);
    });
    std::printf("message box layout:                                %.4f ms\n", layout);

    std::mt19937 rng(7);
    std::vector<std::string> words(10000);
    for (auto &w : words) {
        w.resize(8);
        for (char &c : w) c = (char)('a' + rng() % 26);
    }
    vela::core::ComboItems items(true);
    auto t1 = Clock::now();
    for (auto &w : words) items.add(w);
    double adds = msSince(t1);
    double finds = average(1000, [&] { items.find(-1, words[rng() % words.size()], true); });
    std::printf("sorted add of 10000 items:                         %.2f ms\n", adds);
    std::printf("exact find in 10000 items:                         %.4f ms\n", finds);

    DestroyWindow(main);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return 0;
}
