// The X11 backend: its one state (the connection, atoms, windows, GLX formats, fonts) and
// the backend table it fills. x11_window.cpp holds the connection, windows and events,
// glx.cpp pixel formats and contexts, text.cpp the fonts, combo_box.cpp and
// message_box.cpp the controls' drawing.
#pragma once

#include "core/core.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace vela::x11 {

struct NativeWindow {
    ::Window xid = 0;
    Visual *visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
    bool mapped = false;
    bool focusWhenMapped = false;
    GLXWindow glxWindow = 0;  // once a pixel format is set
};

struct Fonts;  // text.cpp

struct State {
    Display *display = nullptr;
    int screen = 0;
    ::Window root = 0;
    Visual *visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    std::unordered_map<::Window, HWND> windows;
    std::unordered_map<HWND, std::unique_ptr<NativeWindow>> natives;
    Atom wmProtocols = 0, wmDeleteWindow = 0, netWmPing = 0, netWmName = 0, netWmIconName = 0, utf8String = 0,
         netWmPid = 0, netWmWindowType = 0, netWmWindowTypeDialog = 0;

    // The GLX framebuffer configs offered as pixel formats (1-based), listed at the first
    // query; a format's description is read when it is first asked for (nSize 0 till then).
    bool formatsRead = false;
    std::vector<GLXFBConfig> configs;
    std::vector<PIXELFORMATDESCRIPTOR> formats;
    std::vector<VisualID> visuals;

    Fonts *fonts = nullptr;  // opened at the first text drawn or measured

    int trapDepth = 0;     // ErrorTraps alive
    int trappedError = 0;  // the first error code they caught
};

// The state of the connected backend.
State &state();
NativeWindow *native(core::Window &w);
core::Window *windowForXid(::Window xid);
unsigned long pixelFor(uint32_t rgb);
::Window createXWindow(core::Window &w, NativeWindow &n, Visual *visual, int depth);
void setWmProperties(core::Window &w, NativeWindow &n);

// X errors caused by requests made while a trap lives are kept, not reported.
class ErrorTrap {
public:
    ErrorTrap();
    ~ErrorTrap();
    // Waits for the server to answer what was sent; the first error's code, or 0.
    int sync();
};

// The backend table over Xlib, GLX and Xft. Constructed connected; destroyed, it closes
// the fonts, the contexts' display and the connection.
class X11Backend final : public core::Backend {
public:
    explicit X11Backend(Display *display);
    ~X11Backend() override;

    bool createWindow(core::Window &w) override;
    void destroyWindow(core::Window &w) override;
    void showWindow(core::Window &w, bool show) override;
    void setTitle(core::Window &w) override;
    void moveWindow(core::Window &w) override;
    void setFocus(core::Window *w) override;
    void grabPointer(core::Window *popup) override;
    void pollEvents() override;
    void waitEvents(int timeoutMs) override;
    unsigned charForKey(UINT vk, UINT scanCode) override;
    int screenWidth() override;
    int screenHeight() override;
    int screenDepthBits() override;
    void fillRect(core::Window &w, const RECT &rect, uint32_t rgb) override;
    void paintComboBox(core::Window &w, const core::ComboBox &box) override;
    void paintComboList(core::Window &list, const core::ComboBox &box) override;
    void paintMessageBox(core::Window &w, const core::MessageBoxState &box) override;
    SIZE textExtent(const std::string &utf8) override;
    int pixelFormatCount() override;
    void describePixelFormat(int format, PIXELFORMATDESCRIPTOR &pfd) override;
    bool formatFitsWindow(core::Window &w, int format) override;
    bool setPixelFormat(core::Window &w, int format) override;
    void *createContext(core::Window &w, int format) override;
    void deleteContext(void *context) override;
    bool makeCurrent(core::Window *w, void *context) override;
    bool swapBuffers(core::Window &w) override;
    PROC procAddress(const char *name) override;

private:
    State state_;
};

// Opens the display named by $DISPLAY; null, with the layer's error set, when it can't.
std::unique_ptr<core::Backend> connect();
// Closes every font the controls opened (text.cpp).
void closeFonts();

}  // namespace vela::x11
