// Runs Vela on a private virtual X server: the trace goes to stdout as it happens, the
// first frame is saved as a PNG, and the window is then closed as a window manager would.
//   vela-headless --has-display      exit status 0 when $DISPLAY can be opened
//   vela-headless PROGRAM PNG        the headless run
#include "xtools.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

using namespace vela::xtools;
using namespace std::chrono_literals;

namespace {

void echo(const std::string &line) { std::printf("%s\n", line.c_str()); }

int fail(const char *what) {
    std::fprintf(stderr, "vela-headless: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 2 && std::strcmp(argv[1], "--has-display") == 0) {
        Display *d = XOpenDisplay(nullptr);
        if (d) XCloseDisplay(d);
        return d ? 0 : 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: vela-headless --has-display | vela-headless PROGRAM PNG\n");
        return 2;
    }
    Xvfb server;
    if (!server.ok()) return fail("cannot start Xvfb (install the xvfb package)");
    std::printf("vela-headless: no X display; running %s on the private display %s\n", argv[1],
                server.name().c_str());

    Child program({argv[1]}, server.name());
    if (!program.waitFor("system finish onDraw", 120s, echo)) {
        int status = program.wait(1s, nullptr, echo);
        std::fprintf(stderr, "vela-headless: the program %s before its first frame\n",
                     status >= 0 ? "ended" : "showed nothing in 120 s");
        return 1;
    }
    Display *d = XOpenDisplay(server.name().c_str());
    if (!d) return fail("cannot open the private display");
    Window w = windowOfProcess(d, program.pid(), 10s);
    if (!w) return fail("the program's window is not on the display");

    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool saved = capture(d, w, &width, &height, rgb) && writePng(argv[2], width, height, rgb);
    requestClose(d, w);
    int status = program.wait(20s, nullptr, echo);
    XCloseDisplay(d);
    if (!saved) return fail("cannot save the screenshot");
    std::printf("vela-headless: screenshot of the first frame (%d x %d): %s\n", width, height, argv[2]);
    if (status != 0) std::fprintf(stderr, "vela-headless: the program ended with status %d\n", status);
    return status < 0 ? 1 : status;
}
