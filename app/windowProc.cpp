#include "app/App.h"

#include "app/Trace.h"

#include <cstdio>

HWND comboBox = NULL;

namespace {

const int kComboBoxId = 1000;

int mouseX(LPARAM lParam) { return (int)(unsigned)LOWORD(lParam); }
int mouseY(LPARAM lParam) { return (int)(unsigned)HIWORD(lParam); }

void createComboBox(HWND hwnd, LPARAM lParam) {
    const CREATESTRUCTA *cs = (const CREATESTRUCTA *)lParam;
    comboBox = CreateWindowExA(0, "COMBOBOX", NULL,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 0, 0,
                               300, 300, hwnd, (HMENU)(INT_PTR)kComboBoxId, cs->hInstance, NULL);
    SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM) "aaa");
    SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM) "bbb");
    SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM) "ccc");
}

void reportSelection(LPARAM lParam) {
    char text[256];
    int selected = (int)SendMessageA(comboBox, CB_GETCURSEL, 0, 0);
    int count = (int)SendMessageA(comboBox, CB_GETCOUNT, 0, 0);
    // "アイテム数 = %d\n選択項目 = %d" in code page 932.
    snprintf(text, sizeof text,
             "\x83\x41\x83\x43\x83\x65\x83\x80\x90\x94 = %d\n\x91\x49\x91\xf0\x8d\x80\x96\xda = %d",
             count, selected);
    MessageBoxA(NULL, text, text, MB_OK);
    snprintf(text, sizeof text, "lp = %d  hwnd = %d", (int)lParam, (int)(INT_PTR)comboBox);
    MessageBoxA(NULL, text, text, MB_OK);
}

}  // namespace

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createComboBox(hwnd, lParam);
        break;
    case WM_PAINT:
        trace("system onDraw\n");
        theApp->onDraw();
        theApp->present();
        trace("system finish onDraw\n");
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_SELCHANGE) reportSelection(lParam);
        return 0;
    case WM_MOUSEMOVE:
        theApp->onMouseMove(mouseX(lParam), mouseY(lParam));
        break;
    case WM_LBUTTONDOWN:
        theApp->onMouseDown(mouseX(lParam), mouseY(lParam), 1);
        break;
    case WM_LBUTTONUP:
        theApp->onMouseUp(mouseX(lParam), mouseY(lParam), 1);
        break;
    case WM_RBUTTONDOWN:
        theApp->onMouseDown(mouseX(lParam), mouseY(lParam), 0);
        break;
    case WM_RBUTTONUP:
        theApp->onMouseUp(mouseX(lParam), mouseY(lParam), 0);
        break;
    case WM_MBUTTONDOWN:
        theApp->onMouseDown(mouseX(lParam), mouseY(lParam), 2);
        break;
    case WM_MBUTTONUP:
        // A middle drag ends on its own release.
        theApp->onMouseUp(mouseX(lParam), mouseY(lParam), 2);
        break;
    case WM_DESTROY:
        // Closing the window ends the program.
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
