#include "demo/TestTex.h"

#include "app/Trace.h"
#include "demo/Scene.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

PFNGLACTIVETEXTUREPROC pglActiveTexture = NULL;
PFNGLMULTITEXCOORD2FVPROC pglMultiTexCoord2fv = NULL;
CGprogram vertexProgram = NULL;
CGprogram fragmentProgram = NULL;
int dragYaw = 0;
int dragPitch = 0;
int dragZoom = 0;

namespace {

void reportMissing(const char *what, const char *consequence) {
    std::fprintf(stderr, "vela: this OpenGL has no %s; %s\n", what, consequence);
}

void activeTexture(GLenum unit) {
    if (pglActiveTexture) pglActiveTexture(unit);
}

void uploadTexture(const unsigned char *pixels) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

}  // namespace

TestTex::TestTex() : App(1024, 650, "Vertex Shader") {
    rotating = 0;
    zooming = 0;
}

void TestTex::onInit() {
    pglActiveTexture = glEntryPoint<PFNGLACTIVETEXTUREPROC>("glActiveTexture");
    pglMultiTexCoord2fv = glEntryPoint<PFNGLMULTITEXCOORD2FVPROC>("glMultiTexCoord2fv");
    if (!pglActiveTexture) reportMissing("glActiveTexture", "texture unit 1 stays unused");
    if (!pglMultiTexCoord2fv)
        reportMissing("glMultiTexCoord2fv", "the cube gets no texture coordinates on unit 1");
    trace("onInit\n");

    glGenTextures(1, &texture0);
    glBindTexture(GL_TEXTURE_2D, texture0);
    unsigned char *image = loadBitmapResource(1001);
    trace("image ptr %d\n", (int)(intptr_t)image);
    uploadTexture(image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    glGenTextures(1, &texture1);
    glBindTexture(GL_TEXTURE_2D, texture1);
    image = loadBitmapResource(2001);
    uploadTexture(image);
    // Only minification is set: texture1 keeps GL's linear magnification.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // w = 0: a directional light, fixed in eye coordinates by the identity modelview.
    const GLfloat lightPosition[4] = {-0.3f, 0.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    if (!cgGLIsProfileSupported(CG_PROFILE_ARBVP1))
        reportMissing("GL_ARB_vertex_program", "the vertex program cannot run");
    if (!cgGLIsProfileSupported(CG_PROFILE_ARBFP1))
        reportMissing("GL_ARB_fragment_program", "the fragment program cannot run");
    CGcontext context = cgCreateContext();
    vertexProgram = cgCreateProgram(context, CG_SOURCE, vertexProgramSource, CG_PROFILE_ARBVP1, NULL, NULL);
    fragmentProgram =
        cgCreateProgram(context, CG_SOURCE, fragmentProgramSource, CG_PROFILE_ARBFP1, NULL, NULL);
    cgGLLoadProgram(vertexProgram);
    cgGLLoadProgram(fragmentProgram);
    cgGLEnableProfile(CG_PROFILE_ARBVP1);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    cgGLBindProgram(vertexProgram);
    cgGLBindProgram(fragmentProgram);
}

void TestTex::onDraw() {
    static const int viewports[4][2] = {{0, 0}, {512, 0}, {0, 325}, {512, 325}};
    trace("onDraw\n");
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (const auto &origin : viewports) {
        glViewport(origin[0], origin[1], 512, 325);
        drawViewport();
    }
}

// Texture unit 0 is the active one only on the very first call; from then on unit 1 is,
// and the bind and enable at the top act on it again before being superseded.
void TestTex::drawViewport() {
    glDisable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, texture0);
    setPerspective(60.0f, 1.5753846f, 1.0f, 1000.0f);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, texture0);
    glEnable(GL_LIGHTING);
    activeTexture(GL_TEXTURE0);
    activeTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture1);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)GL_MODULATE);
    drawScene();
}

// Each step is rounded to single precision. 3.14 stands in for pi, and the angle is halved
// twice, so the frustum opens about 30 degrees vertically: that is how the demo looks.
void setPerspective(float fovy, float aspect, float zNear, float zFar) {
    const float angleConstant = 3.14f;
    float a = (float)((double)fovy / 360.0 * (double)angleConstant);
    float b = a / 2.0f;
    float t = (float)std::tan((double)b);
    float top = t * zNear;
    float bottom = -top;
    float right = top * aspect;
    float left = -right;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(left, right, bottom, top, zNear, zFar);
}

void TestTex::onMouseDown(int x, int y, int button) {
    trace("mouse down %d %d\n", x, y);
    lastX = x;
    lastY = y;
    if (button == 0)
        zooming = 1;
    else
        rotating = 1;
}

// A drag's values are the travel from the press point, replaced on every move.
void TestTex::onMouseMove(int x, int y) {
    if (rotating) {
        trace("mouse move %d %d\n", x, y);
        dragYaw = x - lastX;
        dragPitch = y - lastY;
        trace("delta %d %d\n", dragYaw, dragPitch);
        invalidate();
    } else if (zooming) {
        trace("mouse move %d %d\n", x, y);
        dragZoom = x - lastX;
        trace("delta %d %d\n", dragZoom, y - lastY);
        invalidate();
    }
}

void TestTex::onMouseUp(int x, int y, int) {
    trace("mouse up %d %d\n", x, y);
    lastX = x;
    lastY = y;
    rotating = 0;
    zooming = 0;
}
