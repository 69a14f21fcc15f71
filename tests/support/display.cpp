#include "support/display.h"

#include "xtools.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vela::test {

std::string binDir() { return VELA_BIN_DIR; }
std::string bin(const std::string &program) { return binDir() + "/" + program; }
std::string sourceDir() { return VELA_SOURCE_DIR; }

std::string displayName() {
    const char *state = std::getenv("VELA_XVFB_STATE");
    if (!state) {
        std::fprintf(stderr, "test: VELA_XVFB_STATE is not set; run the display tests through ctest\n");
        std::abort();
    }
    std::ifstream in(state);
    std::string name;
    in >> name;
    if (name.empty()) {
        std::fprintf(stderr, "test: no private Xvfb (state file %s is empty)\n", state);
        std::abort();
    }
    return name;
}

Display *openDisplay() {
    static Display *d = nullptr;
    if (d) return d;
    std::string name = displayName();
    d = XOpenDisplay(name.c_str());
    if (!d) {
        std::fprintf(stderr, "test: cannot open the private display %s\n", name.c_str());
        std::abort();
    }
    return d;
}

// ---- Process -------------------------------------------------------------------------

Process::Process(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
                 const std::string &workDir, const Streams &streams) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) std::abort();
    std::string display = displayName();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]), close(out[1]), close(err[0]), close(err[1]);
        if (!streams.stdoutFile.empty()) {
            int fd = open(streams.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, 1) < 0) _exit(126);
            close(fd);
        }
        if (streams.closeStdin) close(0);
        if (streams.closeStdout) close(1);
        if (streams.closeStderr) close(2);
        setenv("DISPLAY", display.c_str(), 1);
        for (auto &[k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
        std::vector<char *> args;
        for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    fcntl(out_, F_SETFL, O_NONBLOCK);
    fcntl(err_, F_SETFL, O_NONBLOCK);
}

Process::~Process() {
    if (running()) kill();
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
}

void Process::readSome(int timeoutMs) {
    pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(p, 2, timeoutMs) <= 0) return;
    char buf[65536];
    if (p[0].revents) {
        ssize_t n = read(out_, buf, sizeof buf);
        if (n > 0) {
            partial_.append(buf, (size_t)n);
            size_t pos;
            while ((pos = partial_.find('\n')) != std::string::npos) {
                lines_.push_back(partial_.substr(0, pos));
                partial_.erase(0, pos + 1);
            }
        }
    }
    if (p[1].revents) {
        ssize_t n = read(err_, buf, sizeof buf);
        if (n > 0) errText_.append(buf, (size_t)n);
    }
}

void Process::pump(std::chrono::milliseconds wait) {
    auto end = std::chrono::steady_clock::now() + wait;
    do {
        readSome(10);
    } while (std::chrono::steady_clock::now() < end);
}

void Process::closeStdout() {
    readSome(0);
    if (out_ >= 0) close(out_);
    out_ = -1;
}

std::string Process::stderrText() {
    readSome(0);
    return errText_;
}

std::optional<std::string> Process::waitLine(const std::string &line, bool prefix,
                                             std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (next_ < lines_.size()) {
            const std::string &l = lines_[next_++];
            if (prefix ? l.rfind(line, 0) == 0 : l == line) return l;
        }
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        if (!running()) {
            readSome(50);
            if (next_ >= lines_.size()) return std::nullopt;
            continue;
        }
        readSome(20);
    }
}

bool Process::running() {
    if (status_ != -2) return false;
    int st;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == 0) return true;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return false;
}

int Process::wait(std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() >= end) return -1;
        readSome(20);
    }
    readSome(0);
    return status_;
}

void Process::kill() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    wait(std::chrono::seconds(5));
}

// ---- Windows -----------------------------------------------------------------------

std::string windowTitle(Display *d, Window w) {
    Atom netName = XInternAtom(d, "_NET_WM_NAME", False), utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, netName, 0, 4096, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data && type == utf8) {
        title.assign((const char *)data, count);
        XFree(data);
        return title;
    }
    if (data) XFree(data);
    char *name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

namespace {

int ignoreErrors(Display *, XErrorEvent *) { return 0; }

void collect(Display *d, Window w, const std::string &title, std::vector<Window> &out) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return;
    for (unsigned i = 0; i < n; ++i) {
        if (windowTitle(d, kids[i]) == title) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable) out.push_back(kids[i]);
        }
    }
    if (kids) XFree(kids);
}

}  // namespace

XErrorsIgnored::XErrorsIgnored(Display *d) : d_(d), old_(reinterpret_cast<void (*)()>(XSetErrorHandler(ignoreErrors))) {}

XErrorsIgnored::~XErrorsIgnored() {
    XSync(d_, False);  // the errors of the requests made meanwhile arrive while still ignored
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(old_));
}

std::vector<Window> findWindows(Display *d, const std::string &title) {
    XErrorsIgnored ignored(d);
    std::vector<Window> out;
    collect(d, DefaultRootWindow(d), title, out);
    return out;
}

std::optional<Window> findWindow(Display *d, const std::string &title, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto all = findWindows(d, title);
        if (!all.empty()) return all.back();
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool windowExists(Display *d, Window w) {
    XErrorsIgnored ignored(d);
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) != 0;
}

void rootGeometry(Display *d, Window w, int *x, int *y, int *width, int *height) {
    XWindowAttributes a;
    XGetWindowAttributes(d, w, &a);
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, x, y, &child);
    *width = a.width;
    *height = a.height;
}

// ---- Pixels -----------------------------------------------------------------------

Snapshot::Snapshot(Display *d, Window w, bool itself) {
    XSync(d, False);
    int x, y;
    rootGeometry(d, w, &x, &y, &w_, &h_);
    // Read from the root: what is on screen, including child windows and overlaps.
    XImage *img = itself ? XGetImage(d, w, 0, 0, (unsigned)w_, (unsigned)h_, AllPlanes, ZPixmap)
                         : XGetImage(d, DefaultRootWindow(d), x, y, (unsigned)w_, (unsigned)h_, AllPlanes, ZPixmap);
    if (!img) {
        w_ = h_ = 0;
        return;
    }
    px_.resize((size_t)w_ * h_);
    for (int j = 0; j < h_; ++j)
        for (int i = 0; i < w_; ++i) px_[(size_t)j * w_ + i] = (uint32_t)XGetPixel(img, i, j);
    XDestroyImage(img);
}

Rgb Snapshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return Rgb{-1, -1, -1};
    uint32_t p = px_[(size_t)y * w_ + x];
    return Rgb{(int)((p >> 16) & 0xff), (int)((p >> 8) & 0xff), (int)(p & 0xff)};
}

bool Snapshot::savePpm(const std::string &path) const {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", w_, h_);
    for (int j = 0; j < h_; ++j)
        for (int i = 0; i < w_; ++i) {
            Rgb c = at(i, j);
            unsigned char b[3] = {(unsigned char)c.r, (unsigned char)c.g, (unsigned char)c.b};
            std::fwrite(b, 1, 3, f);
        }
    return std::fclose(f) == 0;
}

bool near(Rgb a, Rgb b, int t) {
    return std::abs(a.r - b.r) <= t && std::abs(a.g - b.g) <= t && std::abs(a.b - b.b) <= t;
}

std::string str(Rgb c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "(%d, %d, %d)", c.r, c.g, c.b);
    return buf;
}

// ---- Input ------------------------------------------------------------------------

void moveTo(Display *d, Window w, int x, int y) {
    int wx, wy, ww, wh;
    rootGeometry(d, w, &wx, &wy, &ww, &wh);
    XTestFakeMotionEvent(d, DefaultScreen(d), wx + x, wy + y, CurrentTime);
    XSync(d, False);
}

void press(Display *d, int button) {
    XTestFakeButtonEvent(d, (unsigned)button, True, CurrentTime);
    XSync(d, False);
}

void release(Display *d, int button) {
    XTestFakeButtonEvent(d, (unsigned)button, False, CurrentTime);
    XSync(d, False);
}

void click(Display *d, Window w, int x, int y, int button) {
    moveTo(d, w, x, y);
    press(d, button);
    release(d, button);
}

void key(Display *d, const char *keysym) {
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
}

void closeWindow(Display *d, Window w) { xtools::requestClose(d, w); }

}  // namespace vela::test
