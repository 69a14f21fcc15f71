// The GL the application and the shader runtime see, on every build: OpenGL 1.1 from
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
