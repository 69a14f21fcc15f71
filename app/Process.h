// What the process settles before anything else runs, and how the application reports a
// failure it cannot go on from. The same source serves Windows and Linux.
#pragma once

#include <windows.h>

#include <string>

// Makes descriptors 0-2 safe (a closed one is opened on the null device), lets a trace
// reader that goes away cost the trace only, and buffers stdout fully: trace() writes each
// finished line itself. Call first in main, before anything opens a file or a connection.
void setUpProcess();

// The system's text for a Win32 error code, e.g. "Access is denied. (error 5)", without the
// number for a library's own code; "error N" alone where the system has no text for it.
std::string systemErrorText(DWORD code);

// One line "vela: <what>: <the system's text for code>" on stderr, then exit status 1.
[[noreturn]] void exitWithError(const char *what, DWORD code);
