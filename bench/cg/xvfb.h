// A private Xvfb for the benchmarks (never the user's display).
#pragma once

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vela::bench {

// Starts Xvfb on a free display with a screen of `screen` ("WxHxD"); returns its pid and sets DISPLAY, or -1.
inline pid_t startXvfb(const char *screen) {
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
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
               "+extension", "GLX", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Up to the newline: Xvfb writes the number and the newline apart, and a pipe closed
    // between the two leaves it unable to take clients.
    std::string number;
    char c;
    while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    return pid;
}

}  // namespace vela::bench
