// A display-free backend for testing the core: records what the core asks of it.
#pragma once

#include "core/core.h"

#include <string>
#include <vector>

namespace vela::test {

struct NullBackend : core::Backend {
    std::vector<std::string> calls;
    int polls = 0;
    bool failCreate = false;

    bool createWindow(core::Window &w) override {
        calls.push_back("create " + w.title);
        return !failCreate;
    }
    void destroyWindow(core::Window &w) override { calls.push_back("destroy " + w.title); }
    void showWindow(core::Window &w, bool show) override {
        calls.push_back(std::string(show ? "show " : "hide ") + w.title);
    }
    void setTitle(core::Window &w) override { calls.push_back("title " + w.title); }
    void moveWindow(core::Window &) override {}
    void setFocus(core::Window *) override {}
    void pollEvents() override { ++polls; }
    void waitEvents(int) override {}
    void fillRect(core::Window &, const RECT &r, uint32_t rgb) override {
        calls.push_back("fill " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                        " " + std::to_string(rgb));
    }
    int screenWidth() override { return 1280; }
    int screenHeight() override { return 1024; }
    int screenDepthBits() override { return 32; }
    unsigned charForKey(UINT vk, UINT) override { return (vk >= 'A' && vk <= 'Z') ? vk + 32 : 0; }
};

// The backend every test in the binary shares (the core keeps one per process).
NullBackend &nullBackend();

}  // namespace vela::test
