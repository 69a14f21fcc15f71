#include "null_backend.h"

#include <gtest/gtest.h>

// A test of the core never opens a display.
std::unique_ptr<vela::core::Backend> vela::core::createDefaultBackend() {
    ADD_FAILURE() << "the core asked for the default backend";
    return nullptr;
}

vela::test::NullBackend &vela::test::nullBackend() {
    static NullBackend *backend = [] {
        auto b = std::make_unique<NullBackend>();
        NullBackend *raw = b.get();
        core::setBackend(std::move(b));
        return raw;
    }();
    return *backend;
}

bool vela::test::registerTestClass(const char *name, WNDPROC proc, UINT style, HBRUSH background) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
