// The core on a display-free backend that records what the core asks of it, started afresh
// for each test.
#pragma once

#include "core/controls.h"

#include <functional>
#include <string>
#include <vector>

namespace vela::test {

struct RecordingBackend : core::NullBackend {
    std::vector<std::string> calls;
    int polls = 0;
    int measures = 0;
    int depth = 32;
    core::Window *grabbed = nullptr;
    bool failCreate = false;
    // Runs at every poll, e.g. to answer a message box that a test has opened.
    std::function<void()> onPoll;

    bool createWindow(core::Window &w) override;
    void destroyWindow(core::Window &w) override { calls.push_back("destroy " + w.title); }
    void showWindow(core::Window &w, bool show) override {
        calls.push_back(std::string(show ? "show " : "hide ") + w.title);
    }
    void setTitle(core::Window &w) override { calls.push_back("title " + w.title); }
    void grabPointer(core::Window *popup) override { grabbed = popup; }
    void pollEvents() override;
    int screenDepthBits() override { return depth; }
    void fillRect(core::Window &w, const RECT &r, uint32_t rgb) override;
    void paintComboBox(core::Window &w, const core::ComboBox &box) override;
    void paintComboList(core::Window &list, const core::ComboBox &box) override;
    void paintMessageBox(core::Window &w, const core::MessageBoxState &) override {
        calls.push_back("paint box " + w.title);
    }
    SIZE textExtent(const std::string &utf8) override {
        ++measures;
        return NullBackend::textExtent(utf8);
    }
};

// Resets the core onto a new RecordingBackend; the tests' classes are registered again.
RecordingBackend &freshCore();
// The backend of the current test.
RecordingBackend &recorder();

// Registers a window class of this module; true once it exists.
bool registerTestClass(const char *name, WNDPROC proc, UINT style = 0, HBRUSH background = nullptr);

}  // namespace vela::test
