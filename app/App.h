// The framework object: one window, its GL view, the message loop, and the virtual
// event handlers a derived class overrides.
#pragma once

#include <windows.h>

class GlView;

class App {
public:
    App(int width, int height, const char *title);

    virtual void onInit();
    virtual void onDraw();
    virtual void onMouseMove(int x, int y);
    virtual void onMouseDown(int x, int y, int button);
    virtual void onMouseUp(int x, int y, int button);

    void run();
    void present();
    void invalidate();

    GlView *view;
    HWND window;
    int width;
    int height;
};

extern App *theApp;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
