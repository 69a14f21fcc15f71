// Plain Xlib + GLX, on $DISPLAY.
#include "window.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace client {
namespace {
Display *display = nullptr;
Window window = 0;
GLXContext context = nullptr;
}  // namespace

bool openWindow(int width, int height, const char *title) {
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return false;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) {
        std::fprintf(stderr, "no double-buffered RGB8 visual\n");
        return false;
    }
    Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes wa = {};
    wa.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    wa.event_mask = StructureNotifyMask;
    window = XCreateWindow(display, root, 0, 0, width, height, 0, visual->depth, InputOutput, visual->visual,
                           CWColormap | CWEventMask, &wa);
    XStoreName(display, window, title);
    XMapWindow(display, window);
    // Drawing before the map is done would draw into nothing.
    for (XEvent e;;) {
        XNextEvent(display, &e);
        if (e.type == MapNotify) break;
    }
    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!context || !glXMakeCurrent(display, window, context)) {
        std::fprintf(stderr, "cannot make a GLX context current\n");
        return false;
    }
    return true;
}

void *glProc(const char *name) {
    return reinterpret_cast<void *>(glXGetProcAddress(reinterpret_cast<const GLubyte *>(name)));
}

void closeWindow() {
    if (!display) return;
    glXMakeCurrent(display, None, nullptr);
    if (context) glXDestroyContext(display, context);
    if (window) XDestroyWindow(display, window);
    XCloseDisplay(display);
    display = nullptr;
}

}  // namespace client
