// A display-free backend for testing the core: records what the core asks of it.
#pragma once

#include "core/controls.h"

#include <functional>
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
    // Runs at every poll, e.g. to answer a message box that a test has opened.
    std::function<void()> onPoll;
    void pollEvents() override {
        ++polls;
        if (onPoll) onPoll();
    }
    void waitEvents(int) override {}
    void fillRect(core::Window &, const RECT &r, uint32_t rgb) override {
        calls.push_back("fill " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                        " " + std::to_string(rgb));
    }
    int screenWidth() override { return 1280; }
    int screenHeight() override { return 1024; }
    int screenDepthBits() override { return 32; }
    unsigned charForKey(UINT vk, UINT) override { return (vk >= 'A' && vk <= 'Z') ? vk + 32 : 0; }

    // Controls: text is 7 pixels a character and 16 a line; paints are recorded.
    core::Window *grabbed = nullptr;
    void paintComboBox(core::Window &w, const core::ComboBox &box) override {
        const std::string *t = box.items.text(box.items.selected());
        calls.push_back("paint combo " + std::to_string(w.id) + " " + (t ? *t : ""));
    }
    void paintComboList(core::Window &, const core::ComboBox &box) override {
        calls.push_back("paint list hot " + std::to_string(box.hot) + " top " + std::to_string(box.top));
    }
    void paintMessageBox(core::Window &w, const core::MessageBoxState &) override {
        calls.push_back("paint box " + w.title);
    }
    int measures = 0;
    SIZE textExtent(const std::string &utf8) override {
        ++measures;
        LONG chars = 0;
        for (unsigned char c : utf8) chars += (c & 0xC0) != 0x80;
        return SIZE{7 * chars, 16};
    }
    void grabPointer(core::Window *popup) override { grabbed = popup; }
};

// The backend every test in the binary shares (the core keeps one per process).
NullBackend &nullBackend();

// Registers a window class of this module the first time; true once it exists.
bool registerTestClass(const char *name, WNDPROC proc, UINT style = 0, HBRUSH background = nullptr);

}  // namespace vela::test
