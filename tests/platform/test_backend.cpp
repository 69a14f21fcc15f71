#include "test_backend.h"

#include "core/state.h"

namespace vela::test {
namespace {
RecordingBackend *current = nullptr;
}

bool RecordingBackend::createWindow(core::Window &w) {
    calls.push_back("create " + w.title);
    if (failCreate) SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return !failCreate;
}

void RecordingBackend::pollEvents() {
    ++polls;
    if (onPoll) onPoll();
}

void RecordingBackend::fillRect(core::Window &, const RECT &r, uint32_t rgb) {
    calls.push_back("fill " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + " " +
                    std::to_string(rgb));
}

void RecordingBackend::paintComboBox(core::Window &w, const core::ComboBox &box) {
    const std::string *t = box.items.text(box.items.selected());
    calls.push_back("paint combo " + std::to_string(w.id) + " " + (t ? *t : ""));
}

void RecordingBackend::paintComboList(core::Window &, const core::ComboBox &box) {
    calls.push_back("paint list hot " + std::to_string(box.hot) + " top " + std::to_string(box.top));
}

RecordingBackend &freshCore() {
    auto backend = std::make_unique<RecordingBackend>();
    current = backend.get();
    core::reset(std::move(backend));
    return *current;
}

RecordingBackend &recorder() { return current ? *current : freshCore(); }

bool registerTestClass(const char *name, WNDPROC proc, UINT style, HBRUSH background) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace vela::test
