// The texture and shader demo: two textures, a light, two shader programs, a frame of
// four viewports and a camera that mouse drags turn and move.
#pragma once

#include "app/App.h"

#include <vela/gl.h>

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
