// The GL loader over WGL (Windows). wglGetProcAddress knows only what opengl32 does not
// export itself (GL 1.1 is found in opengl32.dll), and some drivers answer an unknown
// name with 1, 2, 3 or -1 instead of NULL.
#include <windows.h>

#include "gl_loader.h"

namespace vela::cg {

void *glProcAddress(const char *name) {
    PROC proc = wglGetProcAddress(name);
    INT_PTR value = reinterpret_cast<INT_PTR>(proc);
    if (value >= -1 && value <= 3) {
        static HMODULE opengl32 = GetModuleHandleA("opengl32.dll");
        proc = opengl32 ? GetProcAddress(opengl32, name) : nullptr;
    }
    return reinterpret_cast<void *>(proc);
}

bool glContextCurrent() { return wglGetCurrentContext() != nullptr; }

}  // namespace vela::cg
