// The reference for the demo's figures: raw Xlib + GLX drawing the demo's frame (four
// 512 x 325 viewports of the cube, grid and axes under the same camera, with the same two ARB
// programs and mvp as local parameters), the same drags, two 512 x 512 textures, and the
// lines the benchmark waits for. Paints when the event queue is empty, as WM_PAINT comes.
#include "demo_programs.h"
#include "same_work.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <unistd.h>
#include <vector>

namespace {

struct Gl {
    void(APIENTRYP activeTexture)(GLenum unit);
    void(APIENTRYP multiTexCoord2fv)(GLenum unit, const GLfloat *st);
    PFNGLGENPROGRAMSARBPROC genPrograms;
    PFNGLBINDPROGRAMARBPROC bindProgram;
    PFNGLPROGRAMSTRINGARBPROC programString;
    PFNGLPROGRAMLOCALPARAMETER4FVARBPROC programLocalParameter4fv;
} gl;

template <class F> void entry(F &f, const char *name) {
    f = reinterpret_cast<F>(glXGetProcAddress(reinterpret_cast<const GLubyte *>(name)));
    if (!f) {
        std::fprintf(stderr, "reference: no %s\n", name);
        std::exit(1);
    }
}

struct Mat {
    double m[4][4];
};

Mat operator*(const Mat &a, const Mat &b) {
    Mat r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

Mat translate(double x, double y, double z) { return {{{1, 0, 0, x}, {0, 1, 0, y}, {0, 0, 1, z}, {0, 0, 0, 1}}}; }

Mat rotateX(double degrees) {
    double c = std::cos(degrees * std::numbers::pi / 180), s = std::sin(degrees * std::numbers::pi / 180);
    return {{{1, 0, 0, 0}, {0, c, -s, 0}, {0, s, c, 0}, {0, 0, 0, 1}}};
}

Mat rotateY(double degrees) {
    double c = std::cos(degrees * std::numbers::pi / 180), s = std::sin(degrees * std::numbers::pi / 180);
    return {{{c, 0, s, 0}, {0, 1, 0, 0}, {-s, 0, c, 0}, {0, 0, 0, 1}}};
}

// The demo's projection: its single-precision steps, 3.14 and the quarter angle included.
Mat projection() {
    float a = (float)(60.0 / 360.0 * (double)3.14f);
    float top = (float)std::tan((double)(a / 2.0f));
    float right = top * 1.5753846f;
    double n = 1, f = 1000;
    return {{{n / right, 0, 0, 0}, {0, n / top, 0, 0}, {0, 0, -(f + n) / (f - n), -2 * f * n / (f - n)}, {0, 0, -1, 0}}};
}

const float vertices[8][3] = {{-50, -50, 50}, {50, -50, 50}, {50, 50, 50}, {-50, 50, 50},
                              {-50, -50, -50}, {50, -50, -50}, {50, 50, -50}, {-50, 50, -50}};
const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {1, 5, 6, 2}, {4, 0, 3, 7}, {4, 5, 1, 0}, {3, 2, 6, 7}};
const float normals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

int yaw = 0, pitch = 0, zoom = 0;

void drawViewport(const Mat &mvp) {
    for (int row = 0; row < 4; ++row) {
        float v[4] = {(float)mvp.m[row][0], (float)mvp.m[row][1], (float)mvp.m[row][2], (float)mvp.m[row][3]};
        gl.programLocalParameter4fv(GL_VERTEX_PROGRAM_ARB, (GLuint)(demoMvpLocal + row), v);
    }
    glEnable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    for (int i = 0; i < 6; ++i) {
        glNormal3fv(normals[i]);
        for (int j = 0; j < 4; ++j) {
            glTexCoord2fv(texCoords[j]);
            gl.multiTexCoord2fv(GL_TEXTURE1, texCoords[j]);
            glVertex3fv(vertices[faces[i][j]]);
        }
    }
    glEnd();
    glBegin(GL_LINES);
    for (int i = 0; i <= 10; ++i) {
        glVertex3f(-250, 0, (float)(-250 + 50 * i));
        glVertex3f(250, 0, (float)(-250 + 50 * i));
    }
    for (int i = 0; i <= 10; ++i) {
        glVertex3f((float)(-250 + 50 * i), 0, -250);
        glVertex3f((float)(-250 + 50 * i), 0, 250);
    }
    glEnd();
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_LINES);
    glVertex3f(0, 0, 0);
    glVertex3f(300, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 300, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 300);
    glEnd();
}

// With VELA_REFERENCE_TRACE set, the reference also prints as many trace lines per paint as
// the demo does, which tells the trace's share of the demo's paint; set to "block", stdout is
// fully buffered and flushed once a paint, which tells what one write a paint would save.
bool withTrace = false, blockBuffered = false;

void printTrace() {
    for (const auto &face : faces) std::printf("%d %d %d %d \n", face[0], face[1], face[2], face[3]);
    for (int m = 0; m < 2; ++m)
        std::printf("%f %f %f %f\n%f %f %f %f\n%f %f %f %f\n%f %f %f %f\n", 0.707107, 0.0, 0.707107, 0.707107 * m,
                    0.0, 1.0, 0.0, 0.0, -0.707107, 0.0, 0.707107, 0.707107 * m, 0.0, 0.0, 0.0, 1.0);
}

void paint(Display *d, GLXWindow w) {
    std::printf("system onDraw\n");
    if (withTrace) std::printf("onDraw\n");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Mat mvp = projection() * translate(0, 0, zoom - 500) * rotateX(-pitch) * rotateY(-yaw);
    const int origins[4][2] = {{0, 0}, {512, 0}, {0, 325}, {512, 325}};
    for (const auto &o : origins) {
        glViewport(o[0], o[1], 512, 325);
        drawViewport(mvp);
        if (withTrace) printTrace();
    }
    glFinish();
    glXSwapBuffers(d, w);
    std::printf("system finish onDraw\n");
    if (blockBuffered) std::fflush(stdout);
}

GLuint loadTexture(unsigned seed, bool nearestMag) {
    unsigned char *pixels = (unsigned char *)std::malloc(512 * 512 * 4);
    for (int i = 0; i < 512 * 512; ++i) {
        unsigned v = (unsigned)i * 2654435761u + seed;
        pixels[4 * i] = (unsigned char)v;
        pixels[4 * i + 1] = (unsigned char)(v >> 8);
        pixels[4 * i + 2] = (unsigned char)(v >> 16);
        pixels[4 * i + 3] = 255;
    }
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    if (nearestMag) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return name;  // the pixels stay allocated, as the demo's do
}

void loadProgram(GLenum target, const char *text) {
    GLuint name;
    gl.genPrograms(1, &name);
    gl.bindProgram(target, name);
    gl.programString(target, GL_PROGRAM_FORMAT_ASCII_ARB, (GLsizei)std::strlen(text), text);
    GLint position = -1;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    if (position != -1) {
        std::fprintf(stderr, "reference: the GL rejects the program at %d: %s\n%s", position,
                     (const char *)glGetString(GL_PROGRAM_ERROR_STRING_ARB), text);
        std::exit(1);
    }
    glEnable(target);
}

int attrib(Display *d, GLXFBConfig c, int name) {
    int v = 0;
    glXGetFBConfigAttrib(d, c, name, &v);
    return v;
}

// The config Vela's pixel format choice takes for 24 colour and 16 depth bits on the default
// visual: the smallest surplus, a shortfall costing a thousand times more, a config of another
// visual 500 more; as Vela, it looks at configs of other visuals only when it must.
GLXFBConfig chooseConfig(Display *d, int screen) {
    int count = 0;
    GLXFBConfig *all = glXGetFBConfigs(d, screen, &count);
    VisualID visual = XVisualIDFromVisual(DefaultVisual(d, screen));
    std::vector<std::pair<GLXFBConfig, bool>> usable;  // config, on the default visual
    for (int i = 0; i < count; ++i) {
        GLXFBConfig c = all[i];
        if (!(attrib(d, c, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) || !(attrib(d, c, GLX_RENDER_TYPE) & GLX_RGBA_BIT) ||
            attrib(d, c, GLX_SAMPLE_BUFFERS))
            continue;
        if (VisualID v = (VisualID)attrib(d, c, GLX_VISUAL_ID)) usable.push_back({c, v == visual});
    }
    auto shortfall = [](int want, int have) { return have < want ? (want - have) * 1000L : (long)(have - want); };
    GLXFBConfig best = nullptr;
    long bestScore = -1;
    auto consider = [&](GLXFBConfig c, bool sameVisual) {
        if (!attrib(d, c, GLX_DOUBLEBUFFER) || attrib(d, c, GLX_STEREO)) return;
        long s = shortfall(24, attrib(d, c, GLX_RED_SIZE) + attrib(d, c, GLX_GREEN_SIZE) + attrib(d, c, GLX_BLUE_SIZE));
        s += attrib(d, c, GLX_ALPHA_SIZE) + shortfall(16, attrib(d, c, GLX_DEPTH_SIZE)) + attrib(d, c, GLX_STENCIL_SIZE);
        s += attrib(d, c, GLX_ACCUM_RED_SIZE) + attrib(d, c, GLX_ACCUM_GREEN_SIZE) + attrib(d, c, GLX_ACCUM_BLUE_SIZE) +
             attrib(d, c, GLX_ACCUM_ALPHA_SIZE) + 10L * attrib(d, c, GLX_AUX_BUFFERS);
        if (attrib(d, c, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG) s += 100;
        if (!sameVisual) s += 500;
        if (bestScore < 0 || s < bestScore) best = c, bestScore = s;
    };
    for (auto &[c, same] : usable)
        if (same) consider(c, true);
    if (bestScore < 0 || bestScore >= 500)
        for (auto &[c, same] : usable)
            if (!same) consider(c, false);
    if (all) XFree(all);
    return best;
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const char *traceVar = std::getenv("VELA_REFERENCE_TRACE");
    withTrace = traceVar && *traceVar;
    blockBuffered = withTrace && std::strcmp(traceVar, "block") == 0;
    // VELA_REFERENCE_SAME_WORK: Vela's start-up work too (its textures, copies and trace).
    const char *sameWorkVar = std::getenv("VELA_REFERENCE_SAME_WORK");
    const bool sameWork = sameWorkVar && *sameWorkVar;
    if (blockBuffered) setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "reference: cannot open the display\n");
        return 1;
    }
    int screen = DefaultScreen(d);
    GLXFBConfig config = chooseConfig(d, screen);
    XVisualInfo *vi = config ? glXGetVisualFromFBConfig(d, config) : nullptr;
    if (!vi) {
        std::fprintf(stderr, "reference: no double-buffered RGBA config for a window\n");
        return 1;
    }
    XSetWindowAttributes a{};
    a.colormap = XCreateColormap(d, RootWindow(d, screen), vi->visual, AllocNone);
    a.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    // The demo's client area: 1024 x 650 outside, at (100, 100), less the frame and caption.
    Window w = XCreateWindow(d, RootWindow(d, screen), 108, 131, 1008, 611, 0, vi->depth, InputOutput, vi->visual,
                             CWColormap | CWEventMask, &a);
    XStoreName(d, w, "Vertex Shader (reference)");
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &del, 1);
    long pid = getpid();
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&pid, 1);
    XMapWindow(d, w);
    GLXContext ctx = glXCreateNewContext(d, config, GLX_RGBA_TYPE, nullptr, True);
    GLXWindow gw = glXCreateWindow(d, config, w, nullptr);
    if (!ctx || !gw || !glXMakeContextCurrent(d, gw, gw, ctx)) {
        std::fprintf(stderr, "reference: no current GL context\n");
        return 1;
    }
    std::printf("reference: GL ready\n");
    if (sameWork) {
        std::printf("Vela Boot\n");
        std::printf("GL_EXTENSIONS: %s\n", (const char *)glGetString(GL_EXTENSIONS));
        std::printf("GL_VERSION: %s\n", (const char *)glGetString(GL_VERSION));
        std::printf("GL_REBDER: %s\n", (const char *)glGetString(GL_RENDERER));
        std::printf("GL_VENDOR: %s\n", (const char *)glGetString(GL_VENDOR));
    }
    entry(gl.activeTexture, "glActiveTexture");
    entry(gl.multiTexCoord2fv, "glMultiTexCoord2fv");
    entry(gl.genPrograms, "glGenProgramsARB");
    entry(gl.bindProgram, "glBindProgramARB");
    entry(gl.programString, "glProgramStringARB");
    entry(gl.programLocalParameter4fv, "glProgramLocalParameter4fvARB");

    // The demo view's fixed state: its blending stays on for every frame.
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GLuint texture0 = sameWork ? loadBitmapTexture(1001, true) : loadTexture(1, true);
    GLuint texture1 = sameWork ? loadBitmapTexture(2001, false) : loadTexture(2, false);
    glBindTexture(GL_TEXTURE_2D, texture0);
    gl.activeTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, texture1);
    std::printf("reference: textures\n");
    loadProgram(GL_VERTEX_PROGRAM_ARB, demoVertexProgramArb);
    loadProgram(GL_FRAGMENT_PROGRAM_ARB, demoFragmentProgramArb);
    std::printf("reference: programs\n");

    int lastX = 0, lastY = 0;
    bool rotating = false, zooming = false, dirty = false;
    for (;;) {
        if (dirty && !XPending(d)) {
            dirty = false;
            paint(d, gw);
            continue;
        }
        XEvent ev;
        XNextEvent(d, &ev);
        switch (ev.type) {
        case Expose: dirty = true; break;
        case ButtonPress:
        case ButtonRelease:
            if (ev.xbutton.button > Button3) break;
            std::printf("mouse %s %d %d\n", ev.type == ButtonPress ? "down" : "up", ev.xbutton.x, ev.xbutton.y);
            lastX = ev.xbutton.x;
            lastY = ev.xbutton.y;
            if (ev.type == ButtonRelease)
                rotating = zooming = false;
            else if (ev.xbutton.button == Button3)
                zooming = true;
            else
                rotating = true;
            break;
        case MotionNotify:
            if (!rotating && !zooming) break;
            std::printf("mouse move %d %d\n", ev.xmotion.x, ev.xmotion.y);
            if (rotating) {
                yaw = ev.xmotion.x - lastX;
                pitch = ev.xmotion.y - lastY;
            } else {
                zoom = ev.xmotion.x - lastX;
            }
            dirty = true;
            break;
        case ClientMessage:
            if ((Atom)ev.xclient.data.l[0] == del) return 0;
            break;
        default: break;
        }
    }
}
