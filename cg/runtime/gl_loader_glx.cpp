// The GL loader over GLX (Linux): any Xlib + GLX program's current context will do.
#include "gl_loader.h"

#include <GL/glx.h>

namespace vela::cg {

void *glProcAddress(const char *name) {
    return reinterpret_cast<void *>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name)));
}

bool glContextCurrent() { return glXGetCurrentContext() != nullptr; }

}  // namespace vela::cg
