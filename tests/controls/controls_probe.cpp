// The framework with its combo box, traced: it prints every mouse call and every
// WM_COMMAND the main window receives, after "probe combo <handle>" once at start.
// "many" adds 40 items and a Japanese one, so that the list scrolls.
#include "app/App.h"
#include "app/Process.h"
#include "app/Trace.h"

#include <cstdio>
#include <cstring>

extern HWND comboBox;

namespace {

WNDPROC appProc = nullptr;

LRESULT CALLBACK tracingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        trace("probe command %u %u %d\n", (unsigned)LOWORD(wParam), (unsigned)HIWORD(wParam), (int)lParam);
    return CallWindowProcA(appProc, hwnd, message, wParam, lParam);
}

class Recorder : public App {
public:
    Recorder() : App(1024, 650, "Vertex Shader") {}
    void onMouseMove(int x, int y) override { trace("probe move %d %d\n", x, y); }
    void onMouseDown(int x, int y, int b) override { trace("probe down %d %d %d\n", x, y, b); }
    void onMouseUp(int x, int y, int b) override { trace("probe up %d %d %d\n", x, y, b); }
};

}  // namespace

int main(int argc, char **argv) {
    setUpProcess();
    Recorder app;
    if (argc > 1 && std::strcmp(argv[1], "many") == 0) {
        char text[16];
        for (int i = 0; i < 40; ++i) {
            std::snprintf(text, sizeof text, "item %02d", i);
            SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM)text);
        }
        SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM) "\x93\xfa\x96\x7b\x8c\xea");  // "日本語"
    }
    appProc = (WNDPROC)SetWindowLongPtrA(app.window, GWLP_WNDPROC, (LONG_PTR)tracingProc);
    trace("probe combo %d\n", (int)(INT_PTR)comboBox);
    app.run();
    return 0;
}
