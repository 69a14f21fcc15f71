// The GL the application and its tests see, on every build: OpenGL 1.1 from
// <GL/gl.h> plus the enumerants and entry-point types of GL 1.3 multitexturing and the
// ARB program extensions, which both Mesa's and mingw-w64's <GL/glext.h> provide.
#pragma once

#include <windows.h>
#include <GL/gl.h>
#include <GL/glext.h>

#ifndef GL_TEXTURE0
#define GL_TEXTURE0 0x84C0
#define GL_TEXTURE1 0x84C1
#endif

// Mesa's <GL/gl.h> declares GL 1.3 itself but omits most of its entry-point types, and
// its <GL/glext.h> then skips the 1.3 block; mingw-w64's <GL/glext.h> has them all.
// Repeating a typedef of the same type is harmless, so both builds see one set.
typedef void(APIENTRYP PFNGLCLIENTACTIVETEXTUREPROC)(GLenum texture);
typedef void(APIENTRYP PFNGLMULTITEXCOORD2FPROC)(GLenum target, GLfloat s, GLfloat t);
typedef void(APIENTRYP PFNGLMULTITEXCOORD2FVPROC)(GLenum target, const GLfloat *v);
typedef void(APIENTRYP PFNGLMULTITEXCOORD3FPROC)(GLenum target, GLfloat s, GLfloat t, GLfloat r);
typedef void(APIENTRYP PFNGLMULTITEXCOORD3FVPROC)(GLenum target, const GLfloat *v);
typedef void(APIENTRYP PFNGLMULTITEXCOORD4FPROC)(GLenum target, GLfloat s, GLfloat t, GLfloat r,
                                                 GLfloat q);
typedef void(APIENTRYP PFNGLMULTITEXCOORD4FVPROC)(GLenum target, const GLfloat *v);
typedef void(APIENTRYP PFNGLLOADTRANSPOSEMATRIXFPROC)(const GLfloat *m);
typedef void(APIENTRYP PFNGLMULTTRANSPOSEMATRIXFPROC)(const GLfloat *m);

// Looks up an OpenGL entry point of the current context as type F, or nullptr.
// wglGetProcAddress's PROC only converts quietly (-Wcast-function-type) through void (*)();
// some Windows drivers answer an unknown name with 1, 2, 3 or -1 instead of NULL.
template <class F>
F glEntryPoint(const char *name) {
    PROC proc = wglGetProcAddress(name);
    INT_PTR value = (INT_PTR)proc;
    if (value >= -1 && value <= 3) return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}
