#include "app/Trace.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
bool dropped = false;
}

// Formatted apart and written with fwrite: some C runtimes write each printf call through
// at once whatever the buffering, fwrite is buffered everywhere, so the flush below is what
// sends a line on every runtime.
void trace(const char *format, ...) {
    if (dropped) return;
    char small[512];
    std::string large;
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    const char *text = small;
    if (n >= (int)sizeof small) {
        large.resize((size_t)n + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        text = large.c_str();
    }
    va_end(again);
    va_end(args);
    if (n <= 0) return;
    bool ok = std::fwrite(text, 1, (size_t)n, stdout) == (size_t)n;
    if (ok && text[n - 1] == '\n') ok = std::fflush(stdout) == 0;
    if (ok) return;
    // A closed pipe or a full disk: the trace is dropped, the program goes on.
    int error = errno;
    dropped = true;
    std::fprintf(stderr, "vela: the trace can no longer be written to standard output (%s); it is dropped from here on\n",
                 std::strerror(error));
}
