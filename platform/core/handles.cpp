// Handle table: small, never reused ids for every object the layer hands out.
#include "core/state.h"

namespace vela::core {

uint32_t addObject(std::unique_ptr<Object> object) {
    HandleTable &t = state().handles;
    uint32_t id = t.next;
    t.next += 2;
    object->id = id;
    t.live.emplace(id, std::move(object));
    return id;
}

Object *findObject(const void *handle, Kind kind, DWORD errorCode) {
    HandleTable &t = state().handles;
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value != 0 && value <= UINT32_MAX) {
        auto it = t.live.find(static_cast<uint32_t>(value));
        if (it != t.live.end() && it->second->kind == kind) return it->second.get();
    }
    SetLastError(errorCode);
    return nullptr;
}

void removeObject(uint32_t id) {
    HandleTable &t = state().handles;
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
    collectGarbage();
}

void collectGarbage() {
    if (procDepth() == 0) state().handles.graveyard.clear();
}

}  // namespace vela::core
