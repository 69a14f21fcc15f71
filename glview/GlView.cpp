#include "glview/GlView.h"

#include "app/Process.h"
#include "app/Trace.h"

#include <vela/gl.h>

#include <cstring>

namespace {

const char *glText(GLenum name) {
    const GLubyte *s = glGetString(name);
    return s ? (const char *)s : "(none)";
}

}  // namespace

GlView::GlView(HWND window) {
    hwnd = window;
    trace("Vela Boot\n");
    hdc = GetDC(window);

    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;

    int format = ChoosePixelFormat(hdc, &pfd);
    SetPixelFormat(hdc, format, &pfd);
    // Every later step is a GL call: without a context of our own current they would
    // paint nothing, so say why and stop before any painting. wglMakeCurrent succeeds
    // with a null context too, so the context itself is what is tested.
    hglrc = wglCreateContext(hdc);
    if (!hglrc) exitWithError("cannot create an OpenGL rendering context for the window", GetLastError());
    if (!wglMakeCurrent(hdc, hglrc) || wglGetCurrentContext() != hglrc)
        exitWithError("cannot make the OpenGL rendering context current", GetLastError());
    initGlState();
    setOrtho(1024, 512);
    glDisable(GL_DEPTH_TEST);
}

void GlView::initGlState() {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    printGlInfo();
    checkGlError();
}

void GlView::printGlInfo() {
    trace("GL_EXTENSIONS: %s\n", glText(GL_EXTENSIONS));
    trace("GL_VERSION: %s\n", glText(GL_VERSION));
    trace("GL_REBDER: %s\n", glText(GL_RENDERER));
    trace("GL_VENDOR: %s\n", glText(GL_VENDOR));
}

void GlView::checkGlError() { glGetError(); }

void GlView::setOrtho(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, (double)width, 0.0, (double)height, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GlView::present() {
    glFinish();
    SwapBuffers(hdc);
}
