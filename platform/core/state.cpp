// The core's state, the choice of backend and starting afresh.
#include "core/state.h"

#include <iconv.h>

namespace vela::core {

State::~State() {
    if (cp932) iconv_close(static_cast<iconv_t>(cp932));
}

namespace {
// Made at first use, since resources register from static constructors; never destroyed,
// since at exit the GL and the display are torn down by their own libraries.
State *&current() {
    static State *s = new State;
    return s;
}
}  // namespace

State &state() { return *current(); }

void selectBackend(Connector connect) { state().connect = connect; }

Backend &backend() {
    State &s = state();
    if (!s.backend) {
        if (s.connect) s.backend = s.connect();
        if (!s.backend) {
            // The connector said why; every window creation will say it again.
            DWORD why = s.connect ? GetLastError() : (DWORD)kErrorNoDisplay;
            if (!s.connect) setLayerError(kErrorNoDisplay, "no display backend was chosen");
            s.backend = std::make_unique<NullBackend>(why);
        }
    }
    return *s.backend;
}

void reset(std::unique_ptr<Backend> backend) {
    State *&s = current();
    Resources resources = std::move(s->resources);
    Connector connect = s->connect;
    delete s;
    s = new State;
    s->resources = std::move(resources);
    s->connect = connect;
    s->backend = std::move(backend);
}

}  // namespace vela::core
