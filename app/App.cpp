#include "app/App.h"

#include "glview/GlView.h"

#include <vela/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

App *theApp = nullptr;

namespace {

// The system's words for the last error, without the line end Windows gives them.
std::string lastErrorText() {
    DWORD code = GetLastError();
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                             sizeof text, NULL);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    return n ? std::string(text, n) : "error " + std::to_string(code);
}

}  // namespace

App::App(int width, int height, const char *title) {
    // The trace must reach a pipe line by line, as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
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
    if (!window) {
        // Nothing can be shown without the window; going on would only crash later.
        std::fprintf(stderr, "vela: cannot create the main window: %s\n", lastErrorText().c_str());
        std::exit(1);
    }
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
    std::printf("start onInit\n");
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
