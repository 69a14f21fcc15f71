// The demo class with the framework's own frame and handlers, whose onInit loads bitmap
// resources as the demo does: "loads" loads 1001 then 2001, "unknown" loads 4242.
#include "app/Process.h"
#include "app/Trace.h"
#include "demo/TestTex.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class Probe : public TestTex {
public:
    explicit Probe(bool unknown) : unknown_(unknown) {}
    void onInit() override {
        const std::vector<int> ids = unknown_ ? std::vector<int>{4242} : std::vector<int>{1001, 2001};
        for (int id : ids) {
            unsigned char *rgba = loadBitmapResource(id);
            if (!rgba) {
                trace("probe %d null\n", id);
                continue;
            }
            // The bottom-left and top-left pixels, and whether every alpha byte is 255.
            const unsigned char *top = rgba + 511 * 512 * 4;
            bool opaque = true;
            for (int i = 3; i < 512 * 512 * 4; i += 4) opaque = opaque && rgba[i] == 255;
            trace("probe %d %02x%02x%02x%02x %02x%02x%02x%02x %s\n", id, rgba[0], rgba[1], rgba[2], rgba[3],
                   top[0], top[1], top[2], top[3], opaque ? "opaque" : "not-opaque");
        }
    }
    void onDraw() override { App::onDraw(); }
    void onMouseMove(int x, int y) override { App::onMouseMove(x, y); }
    void onMouseDown(int x, int y, int b) override { App::onMouseDown(x, y, b); }
    void onMouseUp(int x, int y, int b) override { App::onMouseUp(x, y, b); }

private:
    bool unknown_;
};

}  // namespace

int main(int argc, char **argv) {
    setUpProcess();
    Probe app(argc > 1 && std::strcmp(argv[1], "unknown") == 0);
    app.run();
    return 0;
}
