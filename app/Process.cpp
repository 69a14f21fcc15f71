#include "app/Process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// "/dev/null" where the system has it, else Windows' "NUL"; neither is ever created.
int openNullDevice() {
    int fd = open("/dev/null", O_RDWR);
    return fd >= 0 ? fd : open("NUL", O_RDWR);
}

}  // namespace

void setUpProcess() {
    // A closed 0, 1 or 2 would go to the next file or socket opened (the X connection),
    // and the trace would be written into it. open() takes the lowest free number.
    for (;;) {
        int fd = openNullDevice();
        if (fd < 0) break;
        if (fd > 2) {
            close(fd);
            break;
        }
    }
#ifdef SIGPIPE
    // A reader that goes away costs the trace (a write error), never the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Lines are flushed by trace(); full buffering is the one mode every C runtime
    // honours (msvcrt treats _IOLBF as full buffering).
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
}

std::string systemErrorText(DWORD code) {
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                             sizeof text, NULL);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
    std::string number = "error " + std::to_string(code);
    if (n == 0) return number;
    // Codes with bit 29 are a library's own: their number tells a user nothing.
    if (code & 0x20000000) return std::string(text, n);
    return std::string(text, n) + " (" + number + ")";
}

void exitWithError(const char *what, DWORD code) {
    std::fprintf(stderr, "vela: %s: %s\n", what, systemErrorText(code).c_str());
    std::exit(1);
}
