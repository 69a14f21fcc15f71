// The core's one state: every handle, class, window, message and setting the layer keeps,
// reachable from one place and made afresh by reset().
#pragma once

#include "core/core.h"

#include <deque>
#include <map>
#include <unordered_map>

namespace vela::core {

struct HandleTable {
    std::unordered_map<uint32_t, std::unique_ptr<Object>> live;
    // Destroyed windows whose procedure may still be running further up the stack.
    std::vector<std::unique_ptr<Object>> graveyard;
    // Above the integer-resource range, so a handle never looks like MAKEINTRESOURCE.
    uint32_t next = 0x10010;
};

struct Errors {
    DWORD last = ERROR_SUCCESS;
    std::unordered_map<DWORD, std::string> layerTexts;
};

struct ClassRegistry {
    std::vector<std::unique_ptr<WindowClass>> classes;
    std::vector<Window *> topLevels;  // creation order
    ATOM nextAtom = 0xC000;
    bool systemClasses = false;
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quit = false;
    int quitCode = 0;
    int procDepth = 0;  // window procedures on the stack
    HWND focus = nullptr;
    HWND capture = nullptr;
};

// Objects made once and handed out again: stock brushes, icons, cursors, the module.
struct StockObjects {
    std::map<std::pair<int, uintptr_t>, uint32_t> byResource;
    uint32_t brushes[NULL_BRUSH + 1] = {};
    uint32_t module = 0;
};

struct GlCurrent {
    HDC dc = nullptr;
    HGLRC rc = nullptr;
};

// The program's embedded resources: part of its image, registered before main runs.
struct Resources {
    std::map<std::pair<unsigned, unsigned>, ResourceData> byTypeAndId;
};

struct State {
    HandleTable handles;
    Errors errors;
    ClassRegistry classes;
    Queue queue;
    StockObjects stock;
    GlCurrent gl;
    Resources resources;
    void *cp932 = nullptr;  // the CP932 -> UTF-8 converter, opened at the first non-ASCII text
    Connector connect = nullptr;
    std::unique_ptr<Backend> backend;  // declared last: it goes first
    ~State();
};

State &state();

// Starts the layer afresh on this backend, as a test does before each case: every window,
// handle, class and message goes; the program's resources stay.
void reset(std::unique_ptr<Backend> backend);

}  // namespace vela::core
