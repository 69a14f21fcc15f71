// The reference for start-up figures: raw Xlib + GLX, a window with Vela's client size and
// pixel format, cleared and swapped once, then idle until closed. With --triangle it also
// draws the framework's default frame, the triangle, under the same state.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv) {
    bool triangle = argc > 1 && std::strcmp(argv[1], "--triangle") == 0;
    Display *d = XOpenDisplay(nullptr);
    if (!d) return 1;
    int screen = DefaultScreen(d);
    const int attribs[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_DOUBLEBUFFER, True,
                           GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, None};
    int count = 0;
    GLXFBConfig *configs = glXChooseFBConfig(d, screen, attribs, &count);
    if (!configs || !count) return 1;
    XVisualInfo *vi = glXGetVisualFromFBConfig(d, configs[0]);
    XSetWindowAttributes a{};
    a.colormap = XCreateColormap(d, RootWindow(d, screen), vi->visual, AllocNone);
    a.event_mask = ExposureMask | StructureNotifyMask;
    Window w = XCreateWindow(d, RootWindow(d, screen), 108, 131, 1008, 611, 0, vi->depth, InputOutput, vi->visual,
                             CWColormap | CWEventMask, &a);
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &del, 1);
    long pid = getpid();
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&pid, 1);
    XMapWindow(d, w);
    GLXContext ctx = glXCreateNewContext(d, configs[0], GLX_RGBA_TYPE, nullptr, True);
    GLXWindow gw = glXCreateWindow(d, configs[0], w, nullptr);
    glXMakeContextCurrent(d, gw, gw, ctx);
    for (;;) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == Expose && ev.xexpose.count == 0) {
            if (triangle) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glOrtho(0.0, 1024.0, 0.0, 512.0, 0.1, 100.0);
                glMatrixMode(GL_MODELVIEW);
                glClearColor(0.0f, 0.7f, 1.0f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT);
                glBegin(GL_TRIANGLES);
                glVertex3f(0.0f, 0.0f, -1.0f);
                glVertex3f(500.0f, 0.0f, -1.0f);
                glVertex3f(500.0f, 100.0f, -1.0f);
                glEnd();
            } else {
                glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT);
            }
            glFinish();
            glXSwapBuffers(d, gw);
            std::printf("system finish onDraw\n");
            std::fflush(stdout);
        } else if (ev.type == ClientMessage && (Atom)ev.xclient.data.l[0] == del) {
            return 0;
        }
    }
}
