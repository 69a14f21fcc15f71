#include "xtools.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vela::xtools {

using Clock = std::chrono::steady_clock;

// ---- Xvfb ------------------------------------------------------------------------------

Xvfb::Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], 3);
        if (fds[0] != 3) close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        if (const char *log = getenv("VELA_XVFB_LOG")) null = open(log, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(null, 2);
        // -displayfd picks a free display number and writes it once the server accepts
        // clients. -noreset: a server reset would write the number again, to a closed fd.
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
               "+extension", "GLX", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // Read up to the newline: the number and the newline may come in two writes, and
    // Xvfb fails if the pipe is closed between them.
    std::string num;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        char c;
        if (poll(&p, 1, 20000) <= 0 || read(fds[0], &c, 1) != 1) break;
        if (c == '\n') {
            name_ = ":" + num;
            break;
        }
        num += c;
    }
    close(fds[0]);
}

Xvfb::~Xvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

// ---- Child -----------------------------------------------------------------------------

Child::Child(const std::vector<std::string> &argv, const std::string &display) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        setenv("DISPLAY", display.c_str(), 1);
        std::vector<char *> args;
        for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
        _exit(127);
    }
    close(out[1]);
    out_ = out[0];
}

Child::~Child() {
    if (pid_ > 0 && status_ == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
}

bool Child::readLines(int timeoutMs, std::vector<std::string> &lines) {
    pollfd p{out_, POLLIN, 0};
    if (out_ < 0 || poll(&p, 1, timeoutMs) <= 0) return out_ >= 0;
    char buf[65536];
    ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) {
        close(out_);
        out_ = -1;
        return false;
    }
    partial_.append(buf, (size_t)n);
    size_t pos;
    while ((pos = partial_.find('\n')) != std::string::npos) {
        lines.push_back(partial_.substr(0, pos));
        partial_.erase(0, pos + 1);
    }
    return true;
}

bool Child::waitFor(const std::string &line, std::chrono::milliseconds timeout,
                    void (*echo)(const std::string &)) {
    auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        std::vector<std::string> lines;
        bool open = readLines(50, lines);
        bool found = false;
        for (const auto &l : lines) {
            if (echo) echo(l);
            if (l == line) found = true;
        }
        if (found) return true;
        if (!open) return false;
    }
    return false;
}

int Child::wait(std::chrono::milliseconds timeout, rusage *usage, void (*echo)(const std::string &)) {
    if (status_ != -2) return status_;
    auto end = Clock::now() + timeout;
    for (;;) {
        int st;
        rusage ru{};
        pid_t r = wait4(pid_, &st, WNOHANG, &ru);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            if (usage) *usage = ru;
            std::vector<std::string> rest;
            while (readLines(0, rest)) {
            }
            if (echo)
                for (const auto &l : rest) echo(l);
            return status_;
        }
        if (Clock::now() >= end) return -1;
        std::vector<std::string> lines;
        if (!readLines(20, lines)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (echo)
            for (const auto &l : lines) echo(l);
    }
}

void Child::terminate(int signal) {
    if (pid_ > 0 && status_ == -2) kill(pid_, signal);
}

// ---- Windows and pixels -------------------------------------------------------------------

namespace {

int ignoreErrors(Display *, XErrorEvent *) { return 0; }

long windowPid(Display *d, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    long pid = -1;
    Atom netWmPid = XInternAtom(d, "_NET_WM_PID", False);
    if (XGetWindowProperty(d, w, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && count == 1 && format == 32)
        pid = *(long *)data;
    if (data) XFree(data);
    return pid;
}

Window findByPid(Display *d, pid_t pid) {
    Window root, parent, *kids = nullptr, found = 0;
    unsigned n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (windowPid(d, kids[i]) == pid && XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable)
            found = kids[i];
    }
    if (kids) XFree(kids);
    return found;
}

uint32_t crc32(const uint8_t *p, size_t n, uint32_t crc = 0) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back((uint8_t)(v >> s));
}

void chunk(FILE *f, const char *type, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> c;
    put32(c, (uint32_t)data.size());
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    put32(c, crc32(c.data() + 4, c.size() - 4));
    std::fwrite(c.data(), 1, c.size(), f);
}

}  // namespace

std::vector<Window> windowsOfClass(Display *d, const char *cls) {
    std::vector<Window> out;
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    XSync(d, False);
    // A window may go between the listing and the questions about it.
    auto old = XSetErrorHandler(ignoreErrors);
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) {
        XSetErrorHandler(old);
        return out;
    }
    for (unsigned i = 0; i < n; ++i) {
        XClassHint hint{};
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable) continue;
        if (XGetClassHint(d, kids[i], &hint)) {
            if (std::string(hint.res_name ? hint.res_name : "") == cls) out.push_back(kids[i]);
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    if (kids) XFree(kids);
    XSync(d, False);
    XSetErrorHandler(old);
    return out;
}

Window windowOfProcess(Display *d, pid_t pid, std::chrono::milliseconds timeout) {
    auto old = XSetErrorHandler(ignoreErrors);
    auto end = Clock::now() + timeout;
    Window w = 0;
    while (!(w = findByPid(d, pid)) && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    XSync(d, False);
    XSetErrorHandler(old);
    return w;
}

bool capture(Display *d, Window w, int *width, int *height, std::vector<uint8_t> &rgb) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return false;
    int x, y;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    // From the root: what is on screen, child windows included.
    XImage *img = XGetImage(d, DefaultRootWindow(d), x, y, (unsigned)a.width, (unsigned)a.height, AllPlanes,
                            ZPixmap);
    if (!img) return false;
    *width = a.width;
    *height = a.height;
    rgb.resize((size_t)a.width * a.height * 3);
    size_t i = 0;
    for (int j = 0; j < a.height; ++j)
        for (int k = 0; k < a.width; ++k) {
            unsigned long p = XGetPixel(img, k, j);
            rgb[i++] = (uint8_t)(p >> 16);
            rgb[i++] = (uint8_t)(p >> 8);
            rgb[i++] = (uint8_t)p;
        }
    XDestroyImage(img);
    return true;
}

// Stored (uncompressed) deflate blocks keep this free of a zlib dependency.
bool writePng(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::fwrite(signature, 1, 8, f);
    std::vector<uint8_t> ihdr;
    put32(ihdr, (uint32_t)width);
    put32(ihdr, (uint32_t)height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    chunk(f, "IHDR", ihdr);

    std::vector<uint8_t> raw;
    raw.reserve((size_t)height * (width * 3 + 1));
    for (int j = 0; j < height; ++j) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), rgb.begin() + (size_t)j * width * 3, rgb.begin() + (size_t)(j + 1) * width * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((uint8_t)n);
        z.push_back((uint8_t)(n >> 8));
        z.push_back((uint8_t)~n);
        z.push_back((uint8_t)(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
        if (last) break;
    }
    put32(z, (b << 16) | a);
    chunk(f, "IDAT", z);
    chunk(f, "IEND", {});
    return std::fclose(f) == 0;
}

void requestClose(Display *d, Window w) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
}

}  // namespace vela::xtools
