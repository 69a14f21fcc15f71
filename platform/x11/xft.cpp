#include "x11/xft.h"

#include <dlfcn.h>

namespace vela::x11 {

bool loadXft(XftLib &lib, std::string &why) {
    void *fc = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
    void *xft = fc ? dlopen("libXft.so.2", RTLD_LAZY | RTLD_LOCAL) : nullptr;
    if (!xft) {
        why = dlerror();
        return false;
    }
    why.clear();
    auto load = [&](const char *name) -> void * {
        void *p = dlsym(name[0] == 'F' ? fc : xft, name);
        if (!p && why.empty()) why = std::string("no ") + name + " in the Xft or fontconfig library";
        return p;
    };
#define VELA_XFT_LOAD(name) lib.name = reinterpret_cast<decltype(lib.name)>(load(#name));
    VELA_XFT_FUNCTIONS(VELA_XFT_LOAD)
#undef VELA_XFT_LOAD
    return why.empty();
}

}  // namespace vela::x11
