// The demo with GL state read back from the GL and traced as "probe ..." lines: the
// texture parameters and the light after onInit; the active texture unit before and after
// each frame and the projection the frame left.
#include "app/Process.h"
#include "app/Trace.h"
#include "demo/TestTex.h"

#include <cstdio>

namespace {

class StateProbe : public TestTex {
public:
    void onInit() override {
        TestTex::onInit();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        printTexture("texture0", texture0);
        printTexture("texture1", texture1);
        glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, light);
        trace("probe light0 position %g %g %g %g\n", light[0], light[1], light[2], light[3]);
    }

    void onDraw() override {
        trace("probe active texture before frame %d\n", activeUnit());
        TestTex::onDraw();
        trace("probe active texture after frame %d\n", activeUnit());
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        trace("probe projection");
        for (float v : m) trace(" %.9g", v);
        trace("\n");
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        trace("probe matrix mode 0x%x\n", (unsigned)mode);
    }

private:
    static int activeUnit() {
        GLint unit = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
        return unit - GL_TEXTURE0;
    }

    static void printTexture(const char *name, GLuint texture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        GLint mag, min, s, t, w, h, format;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        trace("probe %s name %u mag 0x%x min 0x%x wrap 0x%x 0x%x size %d %d format 0x%x\n", name, texture,
               (unsigned)mag, (unsigned)min, (unsigned)s, (unsigned)t, w, h, (unsigned)format);
    }
};

}  // namespace

int main() {
    setUpProcess();
    StateProbe app;
    app.run();
    return 0;
}
