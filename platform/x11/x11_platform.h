// State shared by the X11 backend's files: the connection, atoms and per-window data.
#pragma once

#include "core/core.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <unordered_map>

namespace vela::x11 {

struct NativeWindow {
    ::Window xid = 0;
    Visual *visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
    bool mapped = false;
    bool focusWhenMapped = false;
    // The pixel format chosen by SetPixelFormat (1-based, 0 = none) and its GLX side.
    int pixelFormat = 0;
    GLXFBConfig config = nullptr;
    GLXWindow glxWindow = 0;
};

struct State {
    Display *display = nullptr;
    int screen = 0;
    ::Window root = 0;
    Visual *visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    std::unordered_map<::Window, HWND> windows;
    Atom wmProtocols = 0, wmDeleteWindow = 0, netWmPing = 0, netWmName = 0, utf8String = 0,
         netWmPid = 0, netWmWindowType = 0, netWmWindowTypeDialog = 0;
};

State &state();
NativeWindow *native(core::Window &w);
core::Window *windowForXid(::Window xid);
unsigned long pixelFor(uint32_t rgb);

// Replaces a window's X window by one of another visual, keeping its children.
bool recreateWithVisual(core::Window &w, XVisualInfo *vi);

// The built-in controls (combo_box.cpp, message_box.cpp, text.cpp).
void paintComboBox(core::Window &w, const core::ComboBox &box);
void paintComboList(core::Window &list, const core::ComboBox &box);
void paintMessageBox(core::Window &w, const core::MessageBoxState &box);
SIZE textExtent(const std::string &utf8);
void grabPointer(core::Window *popup);

}  // namespace vela::x11
