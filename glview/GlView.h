// Binds OpenGL to the application's window: pixel format, rendering context, the
// initial GL state, and presenting frames.
#pragma once

#include <windows.h>

class GlView {
public:
    explicit GlView(HWND window);

    void present();

    void initGlState();
    void printGlInfo();
    void checkGlError();
    void setOrtho(int width, int height);

    HWND hwnd;
    HDC hdc;
    HGLRC hglrc;
};
