#include "app/App.h"

#include "app/Process.h"
#include "app/Trace.h"
#include "glview/GlView.h"

#include <vela/gl.h>

App *theApp = nullptr;

App::App(int width, int height, const char *title) {
    this->width = width;
    this->height = height;
    HINSTANCE instance = GetModuleHandleA(NULL);

    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "test";
    RegisterClassA(&wc);

    window = CreateWindowExA(0, "test", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, width,
                             height, NULL, NULL, instance, NULL);
    // Nothing can be shown without the window; going on would only crash later.
    if (!window) exitWithError("cannot create the main window", GetLastError());
    view = new GlView(window);
    theApp = this;
}

void App::onInit() {}

void App::onDraw() {
    glClearColor(0.0f, 0.7f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    glVertex3f(0.0f, 0.0f, -1.0f);
    glVertex3f(500.0f, 0.0f, -1.0f);
    glVertex3f(500.0f, 100.0f, -1.0f);
    glEnd();
}

void App::onMouseMove(int, int) {}
void App::onMouseDown(int, int, int) {}
void App::onMouseUp(int, int, int) {}

void App::run() {
    trace("start onInit\n");
    onInit();
    MSG msg;
    // -1 is an error, not a message: with a valid record and no filter it means the
    // queue is unusable, so the loop ends as for WM_QUIT.
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void App::present() { view->present(); }

void App::invalidate() { InvalidateRect(window, NULL, FALSE); }
