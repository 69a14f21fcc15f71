// Stock objects, icons, cursors, the module handle, window device contexts, and the
// few kernel32 odds and ends.
//
// Supported: GetStockObject (the brushes), LoadIconA/LoadCursorA for stock ids,
// GetModuleHandleA(NULL), GetDC/ReleaseDC/WindowFromDC, FillRect on a window DC,
// Sleep, GetTickCount. Icons and cursors are handles only: nothing draws them.
#include "core/state.h"

#include <thread>

namespace vela::core {
namespace {

struct Stock : Object {
    explicit Stock(Kind k, uintptr_t id) : Object(k), resourceId(id) {}
    uintptr_t resourceId;
};

struct Module : Object {
    static constexpr Kind kKind = Kind::Module;
    Module() : Object(Kind::Module) {}
};

HANDLE stockHandle(Kind kind, uintptr_t resourceId) {
    auto &made = state().stock.byResource;
    auto key = std::make_pair((int)kind, resourceId);
    auto it = made.find(key);
    if (it != made.end()) return toHandle<HANDLE>(it->second);
    uint32_t id = addObject(std::make_unique<Stock>(kind, resourceId));
    made.emplace(key, id);
    return toHandle<HANDLE>(id);
}

bool knownIcon(uintptr_t id) { return id >= 32512 && id <= 32518; }
bool knownCursor(uintptr_t id) { return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651); }

}  // namespace
}  // namespace vela::core

using namespace vela::core;

extern "C" HGDIOBJ WINAPI GetStockObject(int index) {
    static const uint32_t colours[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    uint32_t *made = state().stock.brushes;
    if (index < WHITE_BRUSH || index > NULL_BRUSH) return nullptr;
    if (!made[index]) {
        auto brush = std::make_unique<Brush>(index == NULL_BRUSH ? 0 : colours[index]);
        brush->stock = true;
        made[index] = addObject(std::move(brush));
    }
    // The null brush paints nothing; it is marked by having no colour to fill with.
    return toHandle<HGDIOBJ>(made[index]);
}

extern "C" HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance || !IS_INTRESOURCE(name) || !knownIcon((uintptr_t)name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return (HICON)stockHandle(Kind::Icon, (uintptr_t)name);
}

extern "C" HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance || !IS_INTRESOURCE(name) || !knownCursor((uintptr_t)name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return (HCURSOR)stockHandle(Kind::Cursor, (uintptr_t)name);
}

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    uint32_t &self = state().stock.module;
    if (name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!self) self = addObject(std::make_unique<Module>());
    return toHandle<HMODULE>(self);
}

extern "C" HDC WINAPI GetDC(HWND hwnd) {
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);  // the screen DC isn't offered
        return nullptr;
    }
    if (!window(hwnd)) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->hwnd = hwnd;
    return toHandle<HDC>(addObject(std::move(dc)));
}

extern "C" int WINAPI ReleaseDC(HWND, HDC hdc) {
    DeviceContext *dc = find<DeviceContext>(hdc);
    if (!dc || dc->memory) return 0;
    removeObject(dc->id);
    return 1;
}

extern "C" HWND WINAPI WindowFromDC(HDC hdc) {
    DeviceContext *dc = find<DeviceContext>(hdc);
    return dc ? dc->hwnd : nullptr;
}

extern "C" int WINAPI FillRect(HDC hdc, const RECT *rect, HBRUSH hbrush) {
    DeviceContext *dc = find<DeviceContext>(hdc);
    if (!dc || !rect) return 0;
    Brush *brush = find<Brush>(hbrush);
    if (!brush) {
        // Win32 also takes a system colour index + 1 in place of a brush.
        uintptr_t v = (uintptr_t)hbrush;
        if (v == COLOR_WINDOW + 1) brush = find<Brush>(GetStockObject(WHITE_BRUSH));
        else if (v == COLOR_BTNFACE + 1) brush = find<Brush>(GetStockObject(LTGRAY_BRUSH));
        if (!brush) return 0;
    }
    if (brush->stock && brush->id == handleId(GetStockObject(NULL_BRUSH))) return 1;
    Window *w = window(dc->hwnd);
    if (!w) return dc->memory ? 1 : 0;
    backend().fillRect(*w, *rect, brush->rgb);
    return 1;
}

extern "C" void WINAPI Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

extern "C" DWORD WINAPI GetTickCount(void) { return currentTime(); }
