// The display-free backend.
#include "core/state.h"

namespace vela::core {
namespace {

bool noGl() {
    setLayerError(kErrorNoGl, "the null display has no OpenGL");
    return false;
}

}  // namespace

bool NullBackend::createWindow(Window &) {
    if (!failure_) return true;
    SetLastError(failure_);
    return false;
}

unsigned NullBackend::charForKey(UINT vk, UINT) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 'a';
    if ((vk >= '0' && vk <= '9') || vk == VK_SPACE) return vk;
    return 0;
}

SIZE NullBackend::textExtent(const std::string &utf8) {
    LONG chars = 0;
    for (unsigned char c : utf8) chars += (c & 0xC0) != 0x80;
    return SIZE{7 * chars, 16};
}

int NullBackend::pixelFormatCount() {
    noGl();
    return 0;
}

bool NullBackend::setPixelFormat(Window &, int) { return noGl(); }

void *NullBackend::createContext(Window &, int) {
    noGl();
    return nullptr;
}

bool NullBackend::swapBuffers(Window &) { return noGl(); }

}  // namespace vela::core
