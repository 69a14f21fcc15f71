#include "app/Trace.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
bool dropped = false;
}

void trace(const char *format, ...) {
    if (dropped) return;
    va_list args;
    va_start(args, format);
    bool ok = std::vfprintf(stdout, format, args) >= 0;
    va_end(args);
    size_t n = std::strlen(format);
    if (ok && n > 0 && format[n - 1] == '\n') ok = std::fflush(stdout) == 0;
    if (ok) return;
    // A closed pipe or a full disk: the trace is dropped, the program goes on.
    int error = errno;
    dropped = true;
    std::fprintf(stderr, "vela: the trace can no longer be written to standard output (%s); it is dropped from here on\n",
                 std::strerror(error));
}
