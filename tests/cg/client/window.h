// The chain client's window and GL context, one file per platform (window_glx.cpp,
// window_wgl.cpp); the chain itself (chain.cpp) is the same everywhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#ifndef APIENTRY
#define APIENTRY
#endif

namespace client {

// A window of width x height with a double-buffered RGBA8 GL context current on it.
bool openWindow(int width, int height, const char *title);
// A GL entry point beyond 1.1 (glXGetProcAddress, wglGetProcAddress); null if absent.
void *glProc(const char *name);
void closeWindow();

}  // namespace client
