// The core's internals: Win32 semantics that need no display (handles, classes, the
// window tree, the message queue, update regions). The display is reached only through
// the backend table in backend.h; the state all this keeps is in state.h.
#pragma once

#include "core/backend.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vela::core {

// ---- Handles ------------------------------------------------------------------------

enum class Kind : uint8_t { Window, DC, GLContext, Bitmap, Brush, Icon, Cursor, File, Module };

// Every handle names an Object. Ids are small, never reused, so a stale handle is simply
// unknown; the kind check turns a foreign handle into ERROR_INVALID_HANDLE.
struct Object {
    Kind kind;
    uint32_t id = 0;
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
};

// Takes ownership; returns the handle value.
uint32_t addObject(std::unique_ptr<Object> object);
// The object behind a handle if it exists and has this kind, else null (SetLastError).
Object *findObject(const void *handle, Kind kind, DWORD errorCode = ERROR_INVALID_HANDLE);
// Removes the handle. Windows go to a graveyard freed when no window procedure runs.
void removeObject(uint32_t id);
// Frees destroyed windows once no window procedure is running.
void collectGarbage();

template <class T> T *find(const void *handle, DWORD errorCode = ERROR_INVALID_HANDLE) {
    return static_cast<T *>(findObject(handle, T::kKind, errorCode));
}
template <class H> H toHandle(uint32_t id) { return reinterpret_cast<H>(static_cast<uintptr_t>(id)); }
inline uint32_t handleId(const void *h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }

// ---- Errors ------------------------------------------------------------------------------

// The layer's own error codes. Win32 leaves codes with bit 29 set to applications; the
// text of each is what the layer last said about it, for FormatMessageA.
enum LayerError : DWORD {
    kErrorNoDisplay = 0x20000001,  // the display server can't be reached
    kErrorNoGl = 0x20000002,       // the display has no usable OpenGL
    kErrorNoGlContext = 0x20000003,
};
// SetLastError(code), keeping `text` as the code's message.
void setLayerError(LayerError code, const std::string &text);
// The message last kept for a layer code, or null.
const std::string *layerErrorText(DWORD code);

// ---- Classes and windows -----------------------------------------------------------------

struct Window;
struct ComboBox;
struct MessageBoxState;

// The state of a built-in control (COMBOBOX, the message box) kept on its window.
struct ControlHooks {
    virtual ~ControlHooks() = default;
};

struct WindowClass {
    std::string name;  // compared case-insensitively
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int wndExtra = 0;
    bool system = false;  // a built-in control class, found whatever the instance
};

struct Window : Object {
    static constexpr Kind kKind = Kind::Window;
    Window() : Object(Kind::Window) {}

    HWND handle() const { return toHandle<HWND>(id); }

    const WindowClass *cls = nullptr;
    WNDPROC proc = nullptr;
    std::string title;
    DWORD style = 0, exStyle = 0;
    Window *parent = nullptr;  // null for top-level windows
    std::vector<Window *> children;
    HINSTANCE instance = nullptr;
    LONG_PTR idOrMenu = 0;  // the control id of a child window
    LONG_PTR userData = 0;
    std::vector<LONG_PTR> extra;

    // Outer rectangle in the parent's client coordinates (screen for top-level windows)
    // and the client rectangle's offset inside it (the non-client frame).
    RECT outer{};
    RECT frame{};  // left, top, right, bottom frame thickness

    bool visible = false;
    bool enabled = true;
    bool destroyed = false;

    // Update region, kept as its bounding rectangle in client coordinates.
    bool hasUpdate = false;
    RECT update{};
    bool eraseNeeded = false;

    // Double-click detection.
    UINT lastClickMsg = 0;
    DWORD lastClickTime = 0;
    POINT lastClickPt{};

    int pixelFormat = 0;                     // set once, by SetPixelFormat
    void *native = nullptr;                  // the backend's side of the window
    std::unique_ptr<ControlHooks> control;   // a built-in control's state

    int clientWidth() const { return (outer.right - outer.left) - frame.left - frame.right; }
    int clientHeight() const { return (outer.bottom - outer.top) - frame.top - frame.bottom; }
    // Client origin in screen coordinates.
    POINT clientOrigin() const;
    Window *topLevel();
};

// Non-client metrics of an overlapped window (Windows 10 at 96 DPI).
constexpr int kFrameWidth = 8;
constexpr int kCaptionHeight = 31;  // caption plus top frame
RECT frameFor(DWORD style, bool child);
// The largest outer size a top-level window can have: the screen and its frame.
POINT maxTrackSize();

ATOM registerClass(const WindowClass &cls);
const WindowClass *findClass(const char *name, HINSTANCE instance);
// Registers the built-in classes (COMBOBOX, its list, the message box) once.
void registerSystemClasses();
Window *window(HWND hwnd);  // SetLastError(ERROR_INVALID_WINDOW_HANDLE) when unknown
// Top-level windows, in creation order; each one's children follow it depth first.
std::vector<Window *> allWindows();
// The deepest visible, enabled-or-not child of `w` containing the client point.
Window *childAt(Window *w, POINT clientPt, POINT *childPt);

// ---- Messages ----------------------------------------------------------------------------

LRESULT callProc(Window *w, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues an input message (mouse, key, close request) for dispatch in order.
void postInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A pointer event at a top-level window's client point: applies capture and the
// "only the window under the pointer" rule, routes to children, makes double clicks.
// `msg` is WM_MOUSEMOVE or a button message; `keys` the MK_ state.
void pointerEvent(Window *top, POINT clientPt, UINT msg, WPARAM keys, DWORD time);
// A key event on a top-level window: goes to the focus window inside it, else to it.
void keyEvent(Window *top, UINT msg, WPARAM vk, LPARAM lParam);
// The window's client area is now width x height at x,y (the parent's client coordinates,
// the screen's for a top-level window): updates the window, sends WM_SIZE and WM_MOVE for
// what changed, or both when `always` (creation and WM_WINDOWPOSCHANGED report them anyway),
// and invalidates a CS_HREDRAW or CS_VREDRAW window whose size changed.
void geometryChanged(Window *w, int x, int y, int width, int height, bool always = false);
// Marks part of a window (client coordinates) for repainting.
void invalidate(Window *w, const RECT *rect, bool erase);
DWORD currentTime();
// Number of window procedures currently on the stack.
int procDepth();

// ---- Backend -----------------------------------------------------------------------------

// The display backend, connected on first use (backend.h says how it is chosen).
Backend &backend();

// Brushes and the system colours a backend draws with.
struct Brush : Object {
    static constexpr Kind kKind = Kind::Brush;
    explicit Brush(uint32_t c) : Object(Kind::Brush), rgb(c) {}
    uint32_t rgb;  // 0xRRGGBB
    bool stock = false;
};

// A device context: a window's (GetDC) or a memory one (CreateCompatibleDC).
struct DeviceContext : Object {
    static constexpr Kind kKind = Kind::DC;
    DeviceContext() : Object(Kind::DC) {}
    HWND hwnd = nullptr;  // null for a memory DC
    bool memory = false;
};

// ---- Resources and files -----------------------------------------------------------------

// The program's own resources, by integer type (2 = RT_BITMAP) and id. The build embeds
// them in a generated source that registers each one before main runs.
void registerResource(unsigned type, unsigned id, const void *data, size_t size);
struct ResourceData {
    const void *data = nullptr;  // null when there is no such resource
    size_t size = 0;
};
ResourceData findResource(unsigned type, unsigned id);
bool hasResourcesOfType(unsigned type);

// A Win32 path as a Linux path. "d:/x" and "d:\\x" name x in drive D's folder:
// $VELA_DRIVE_D where set, else drive_d/ in the working directory, created when missing;
// ".." stops at the drive's root. Other paths are returned unchanged. False, with errno
// set, when the drive's folder can't be made. Without `create` the folder is only named.
bool mapPath(const char *path, std::string &out, bool create = true);

}  // namespace vela::core
