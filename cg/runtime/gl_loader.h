// Where the GL binding gets the GL from: entry points and whether a context is current,
// through the platform's own loader (gl_loader_glx.cpp or gl_loader_wgl.cpp), so the
// libraries need nothing but the system's GL.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// Mesa's <GL/gl.h> declares GL 1.3 without most of its entry-point types, and its
// <GL/glext.h> then skips them; repeating a typedef of the same type is harmless.
typedef void(APIENTRYP PFNGLCLIENTACTIVETEXTUREPROC)(GLenum texture);
typedef void(APIENTRYP PFNGLMULTITEXCOORD4FPROC)(GLenum target, GLfloat s, GLfloat t, GLfloat r, GLfloat q);

namespace vela::cg {

// The entry point of the current context, or null.
void *glProcAddress(const char *name);
bool glContextCurrent();

// glProcAddress as the function type F. The round trip through void (*)() keeps
// -Wcast-function-type quiet.
template <class F> F glFunction(const char *name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(glProcAddress(name)));
}

}  // namespace vela::cg
