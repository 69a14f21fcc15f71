// Small X helpers shared by the headless runner and the benchmarks: a private Xvfb, child
// processes with their stdout on a pipe, windows found by owner, pixels and PNG files.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;
typedef unsigned long Window;

namespace vela::xtools {

// A private virtual X server on a free display number, stopped with the object.
class Xvfb {
public:
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;
    bool ok() const { return pid_ > 0 && !name_.empty(); }
    const std::string &name() const { return name_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string name_;
};

// A program run with DISPLAY set and its stdout on a pipe.
class Child {
public:
    Child(const std::vector<std::string> &argv, const std::string &display);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    pid_t pid() const { return pid_; }
    // Reads lines until one equals `line`, handing each to `echo` (may be null); false on
    // time-out or exit.
    bool waitFor(const std::string &line, std::chrono::milliseconds timeout, void (*echo)(const std::string &));
    // Waits for the exit; the status (128+N for signal N), -1 on time-out. Fills `usage`.
    int wait(std::chrono::milliseconds timeout, rusage *usage = nullptr, void (*echo)(const std::string &) = nullptr);
    void terminate(int signal);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -2;
    std::string partial_;
    bool readLines(int timeoutMs, std::vector<std::string> &lines);
};

// Viewable top-level windows whose WM_CLASS name is `cls` (a Win32 class: "ComboLBox", "#32770").
std::vector<Window> windowsOfClass(Display *d, const char *cls);
// The viewable top-level window whose _NET_WM_PID is `pid`, or 0.
Window windowOfProcess(Display *d, pid_t pid, std::chrono::milliseconds timeout);
// The window's area as on screen: width × height RGB triples, top row first.
bool capture(Display *d, Window w, int *width, int *height, std::vector<uint8_t> &rgb);
bool writePng(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb);
// WM_DELETE_WINDOW, as a window manager sends it.
void requestClose(Display *d, Window w);

}  // namespace vela::xtools
