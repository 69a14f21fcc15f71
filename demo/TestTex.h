// The texture and shader demo: two textures, a light, two shader programs, a frame of
// four viewports and a camera that mouse drags turn and move.
#pragma once

#include "app/App.h"

#include <vela/gl.h>
#include <Cg/cg.h>
#include <Cg/cgGL.h>

class TestTex : public App {
public:
    TestTex();

    void onInit() override;
    void onDraw() override;
    void onMouseMove(int x, int y) override;
    void onMouseDown(int x, int y, int button) override;
    void onMouseUp(int x, int y, int button) override;

    void drawViewport();
    // Loads bitmap resource `id` as a bottom-up RGBA buffer; writes the debug copies.
    unsigned char *loadBitmapResource(int id);

    int lastX;
    int lastY;
    int rotating;
    int zooming;
    GLuint texture0;
    GLuint texture1;
};

// Replaces the projection with a perspective frustum (GL_PROJECTION stays current).
void setPerspective(float fovy, float aspect, float zNear, float zFar);

// Multitexture entry points, fetched once by onInit; null where the GL lacks them.
extern PFNGLACTIVETEXTUREPROC pglActiveTexture;
extern PFNGLMULTITEXCOORD2FVPROC pglMultiTexCoord2fv;

extern CGprogram vertexProgram;
extern CGprogram fragmentProgram;
extern const char *vertexProgramSource;
extern const char *fragmentProgramSource;

// Pointer travel of the current or last drag, in pixels: the camera's turn in degrees
// and its distance offset (the eye is 500 - dragZoom away).
extern int dragYaw;
extern int dragPitch;
extern int dragZoom;
