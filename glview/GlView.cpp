#include "glview/GlView.h"

#include <vela/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *glText(GLenum name) {
    const GLubyte *s = glGetString(name);
    return s ? (const char *)s : "(none)";
}

}  // namespace

GlView::GlView(HWND window) {
    hwnd = window;
    std::printf("Vela Boot\n");
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
    hglrc = wglCreateContext(hdc);
    if (!wglMakeCurrent(hdc, hglrc)) {
        // Every later step is a GL call; without a current context they would do nothing
        // or crash, so say what is missing and stop.
        std::fprintf(stderr, "vela: no OpenGL rendering context for the window (pixel format %d, error %u)\n",
                     format, (unsigned)GetLastError());
        std::exit(1);
    }
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
    std::printf("GL_EXTENSIONS: %s\n", glText(GL_EXTENSIONS));
    std::printf("GL_VERSION: %s\n", glText(GL_VERSION));
    std::printf("GL_REBDER: %s\n", glText(GL_RENDERER));
    std::printf("GL_VENDOR: %s\n", glText(GL_VENDOR));
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
