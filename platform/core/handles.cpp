// Handle table: small, never reused ids for every object the layer hands out.
#include "core/core.h"

#include <unordered_map>

namespace vela::core {
namespace {

struct HandleTable {
    std::unordered_map<uint32_t, std::unique_ptr<Object>> live;
    std::vector<std::unique_ptr<Object>> graveyard;
    // Start above the integer-resource range so a handle never looks like MAKEINTRESOURCE.
    uint32_t next = 0x10010;
};

HandleTable &table() {
    static HandleTable t;
    return t;
}

}  // namespace

uint32_t addObject(std::unique_ptr<Object> object) {
    HandleTable &t = table();
    uint32_t id = t.next;
    t.next += 2;
    object->id = id;
    t.live.emplace(id, std::move(object));
    return id;
}

Object *findObject(const void *handle, Kind kind, DWORD errorCode) {
    HandleTable &t = table();
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value != 0 && value <= UINT32_MAX) {
        auto it = t.live.find(static_cast<uint32_t>(value));
        if (it != t.live.end() && it->second->kind == kind) return it->second.get();
    }
    SetLastError(errorCode);
    return nullptr;
}

void removeObject(uint32_t id) {
    HandleTable &t = table();
    auto it = t.live.find(id);
    if (it == t.live.end()) return;
    std::unique_ptr<Object> object = std::move(it->second);
    t.live.erase(it);
    // A window procedure may still be running on this window further up the stack.
    if (object->kind == Kind::Window && procDepth() > 0) {
        t.graveyard.push_back(std::move(object));
        return;
    }
    object.reset();
    if (procDepth() == 0) t.graveyard.clear();
}

}  // namespace vela::core

namespace {
thread_local DWORD lastError = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return lastError; }
extern "C" void WINAPI SetLastError(DWORD code) { lastError = code; }

namespace {
std::unordered_map<DWORD, std::string> &layerTexts() {
    static std::unordered_map<DWORD, std::string> texts;
    return texts;
}
}  // namespace

void vela::core::setLayerError(LayerError code, const std::string &text) {
    layerTexts()[code] = text;
    SetLastError(code);
}

const std::string *vela::core::layerErrorText(DWORD code) {
    auto it = layerTexts().find(code);
    return it == layerTexts().end() ? nullptr : &it->second;
}

void vela::core::collectGarbage() {
    if (procDepth() == 0) table().graveyard.clear();
}
