// The backend table: everything the core asks of a display system. x11/ fills it over
// Xlib, GLX and Xft; NullBackend fills it with no display at all. A call that can fail
// returns false or null with SetLastError set, and the entry point passes that on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace vela::core {

struct Window;
struct ComboBox;
struct MessageBoxState;

struct Backend {
    virtual ~Backend() = default;  // disconnects: windows, contexts and fonts go with it

    // Windows. The backend keeps its side of a window behind Window::native.
    virtual bool createWindow(Window &w) = 0;
    virtual void destroyWindow(Window &w) = 0;
    virtual void showWindow(Window &w, bool show) = 0;
    virtual void setTitle(Window &w) = 0;
    virtual void moveWindow(Window &w) = 0;
    virtual void setFocus(Window *w) = 0;
    // While a popup is open every pointer event comes to this program (null: ends it).
    virtual void grabPointer(Window *popup) = 0;

    // Events: turns what has arrived into the core's input calls, never blocking; or waits
    // until something arrives or timeoutMs passes (-1: no limit).
    virtual void pollEvents() = 0;
    virtual void waitEvents(int timeoutMs) = 0;
    // The character a key press makes, for TranslateMessage; 0 when none.
    virtual unsigned charForKey(UINT vk, UINT scanCode) = 0;

    // The screen.
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    virtual int screenDepthBits() = 0;  // bits per pixel of display-compatible bitmaps

    // GDI drawing and the built-in controls, drawn from the core's state. Fonts open on
    // first use (a paint or a measure), never when a window is created.
    virtual void fillRect(Window &w, const RECT &rect, uint32_t rgb) = 0;
    virtual void paintComboBox(Window &w, const ComboBox &box) = 0;
    virtual void paintComboList(Window &list, const ComboBox &box) = 0;
    virtual void paintMessageBox(Window &w, const MessageBoxState &box) = 0;
    // Width of one line of UTF-8 text in the UI font, and the height of a line.
    virtual SIZE textExtent(const std::string &utf8) = 0;

    // Pixel formats, numbered from 1, and GL rendering contexts.
    virtual int pixelFormatCount() = 0;  // 0: no OpenGL on this display
    virtual void describePixelFormat(int format, PIXELFORMATDESCRIPTOR &pfd) = 0;
    // Whether a window can take the format without being made anew.
    virtual bool formatFitsWindow(Window &w, int format) = 0;
    virtual bool setPixelFormat(Window &w, int format) = 0;
    virtual void *createContext(Window &w, int format) = 0;
    virtual void deleteContext(void *context) = 0;
    // Makes the context current on the window; (null, null) leaves none current.
    virtual bool makeCurrent(Window *w, void *context) = 0;
    virtual bool swapBuffers(Window &w) = 0;
    virtual PROC procAddress(const char *name) = 0;
};

// Makes a connected backend, or returns null with the layer's error set.
using Connector = std::unique_ptr<Backend> (*)();
// Chooses the display backend at start-up. It connects when the program first needs the
// display; one that can't connect is replaced by a NullBackend failing with its error.
void selectBackend(Connector connect);

// A backend without a display: windows exist only in the core, no event ever arrives,
// text is measured with fixed metrics, and there is no OpenGL. The core's own tests run
// on it; a backend that could not connect is replaced by one that fails as it did.
class NullBackend : public Backend {
public:
    // With an error code, every window creation fails with it (a display that isn't there).
    explicit NullBackend(DWORD failure = 0) : failure_(failure) {}

    bool createWindow(Window &w) override;
    void destroyWindow(Window &) override {}
    void showWindow(Window &, bool) override {}
    void setTitle(Window &) override {}
    void moveWindow(Window &) override {}
    void setFocus(Window *) override {}
    void grabPointer(Window *) override {}
    void pollEvents() override {}
    void waitEvents(int) override {}
    unsigned charForKey(UINT vk, UINT scanCode) override;
    int screenWidth() override { return 1280; }
    int screenHeight() override { return 1024; }
    int screenDepthBits() override { return 32; }
    void fillRect(Window &, const RECT &, uint32_t) override {}
    void paintComboBox(Window &, const ComboBox &) override {}
    void paintComboList(Window &, const ComboBox &) override {}
    void paintMessageBox(Window &, const MessageBoxState &) override {}
    SIZE textExtent(const std::string &utf8) override;  // 7 pixels a character, 16 a line
    int pixelFormatCount() override;
    void describePixelFormat(int, PIXELFORMATDESCRIPTOR &) override {}
    bool formatFitsWindow(Window &, int) override { return false; }
    bool setPixelFormat(Window &, int) override;
    void *createContext(Window &, int) override;
    void deleteContext(void *) override {}
    bool makeCurrent(Window *, void *context) override { return context == nullptr; }
    bool swapBuffers(Window &) override;
    PROC procAddress(const char *) override { return nullptr; }

private:
    DWORD failure_;
};

}  // namespace vela::core
