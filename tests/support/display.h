// Helpers for tests that run on the private Xvfb: the display, the program under test
// with its trace on a pipe, windows found by title, their pixels, and real input (XTest).
#pragma once


#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Xlib's types without its macros (None, Bool, ... clash with GoogleTest).
typedef struct _XDisplay Display;
typedef unsigned long Window;

namespace vela::test {

// The build's program folder (…/bin) and a program in it; the source tree.
std::string binDir();
std::string bin(const std::string &program);
std::string sourceDir();

// ":N" of the private Xvfb (from the file named by VELA_XVFB_STATE).
std::string displayName();
// A connection to it; aborts the test run if there is none.
Display *openDisplay();

// How a program's standard streams start: closed (as `prog <&- >&- 2>&-`), stdout into
// a file (as `prog > file`), otherwise stdout and stderr on pipes to the test.
struct Streams {
    bool closeStdin = false, closeStdout = false, closeStderr = false;
    std::string stdoutFile;
};

// A program started with stdout (and stderr) on pipes, on the private display.
class Process {
public:
    // Starts argv[0] (a path) with the extra environment; DISPLAY is the private one.
    Process(const std::vector<std::string> &argv,
            const std::map<std::string, std::string> &env = {},
            const std::string &workDir = "", const Streams &streams = {});
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    // Waits until a stdout line equal to `line` (or, with prefix, starting with it)
    // arrives after the lines already consumed; returns it, or nullopt on time-out/exit.
    std::optional<std::string> waitLine(const std::string &line, bool prefix = false,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // All stdout lines read so far, and the index of the next unconsumed one.
    const std::vector<std::string> &lines() const { return lines_; }
    size_t consumed() const { return next_; }
    void skipTo(size_t index) { next_ = index; }
    // Reads whatever output is available for up to `wait`.
    void pump(std::chrono::milliseconds wait);
    std::string stderrText();
    // The reader of the trace goes away, as `prog | head` does once it has its lines.
    void closeStdout();

    // Waits for the exit; returns the exit status, or -1 on time-out, 128+N for signal N.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool running();
    void kill();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string partial_, errText_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
    int status_ = -2;
    void readSome(int timeoutMs);
};

// A top-level window of ours on the display, found by its WM_NAME / _NET_WM_NAME (UTF-8).
std::optional<Window> findWindow(Display *d, const std::string &title,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(20));
// While one lives, X errors are ignored: a window walked over may be destroyed at any moment
// (a closing pop-up), and Xlib's default handler would end the test process.
class XErrorsIgnored {
public:
    explicit XErrorsIgnored(Display *d);
    ~XErrorsIgnored();
    XErrorsIgnored(const XErrorsIgnored &) = delete;
    XErrorsIgnored &operator=(const XErrorsIgnored &) = delete;

private:
    Display *d_;
    void (*old_)();  // the handler before, an XErrorHandler (Xlib.h is not included here)
};

std::vector<Window> findWindows(Display *d, const std::string &title);
std::string windowTitle(Display *d, Window w);  // _NET_WM_NAME, else WM_NAME
bool windowExists(Display *d, Window w);

struct Rgb {
    int r, g, b;
};
// The pixels of a window's area, read from the screen (what a user sees), or with
// `itself` from the window itself: a window of another depth than the root's, which a
// read of the root leaves undefined.
class Snapshot {
public:
    Snapshot(Display *d, Window w, bool itself = false);
    Rgb at(int x, int y) const;
    int width() const { return w_; }
    int height() const { return h_; }
    bool savePpm(const std::string &path) const;

private:
    int w_ = 0, h_ = 0;
    std::vector<uint32_t> px_;
};
bool near(Rgb a, Rgb b, int tolerance = 3);
std::string str(Rgb c);

// Real input through XTest, in window coordinates.
void moveTo(Display *d, Window w, int x, int y);
void press(Display *d, int button);
void release(Display *d, int button);
void click(Display *d, Window w, int x, int y, int button = 1);
void key(Display *d, const char *keysym);
// Sends WM_DELETE_WINDOW the way a window manager does.
void closeWindow(Display *d, Window w);
// Geometry of a window relative to the root.
void rootGeometry(Display *d, Window w, int *x, int *y, int *width, int *height);

}  // namespace vela::test
