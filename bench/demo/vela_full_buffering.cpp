// vela with its trace fully buffered and written once a paint, at the paint's last line: the
// stand-in the demo bench measures the line-by-line trace against. This trace() takes the
// place of the application's (the library's is then never linked in).
#include "app/Process.h"
#include "app/Trace.h"
#include "demo/TestTex.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void trace(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    if (std::strcmp(format, "system finish onDraw\n") == 0) std::fflush(stdout);
}

int main() {
    setUpProcess();
    TestTex app;
    app.run();
    return 0;
}
