// The framework without the demo: "default" overrides nothing, "record" traces every
// mouse call it receives.
#include "app/Process.h"
#include "app/Trace.h"
#include "app/App.h"

#include <cstdio>
#include <cstring>

namespace {

class Recorder : public App {
public:
    Recorder() : App(1024, 650, "Vertex Shader") {}
    void onMouseMove(int x, int y) override { trace("probe move %d %d\n", x, y); }
    void onMouseDown(int x, int y, int b) override { trace("probe down %d %d %d\n", x, y, b); }
    void onMouseUp(int x, int y, int b) override { trace("probe up %d %d %d\n", x, y, b); }
};

}  // namespace

int main(int argc, char **argv) {
    setUpProcess();
    if (argc > 1 && std::strcmp(argv[1], "record") == 0) {
        Recorder app;
        app.run();
    } else {
        App app(1024, 650, "Vertex Shader");
        app.run();
    }
    return 0;
}
