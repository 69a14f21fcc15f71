// Placeholder until the message box window lands: shows nothing, says so on stderr.
#include "core/core.h"

#include "core/codepage.h"

#include <cstdio>

extern "C" int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::fprintf(stderr, "x11: MessageBoxA is not implemented yet: [%s] %s\n",
                 vela::core::ansiToUtf8(caption ? caption : "").c_str(),
                 vela::core::ansiToUtf8(text ? text : "").c_str());
    return IDOK;
}
