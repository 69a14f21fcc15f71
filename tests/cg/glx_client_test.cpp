// libCgGL in a plain Xlib + GLX program, with nothing of the Win32 layer linked: the GL
// and the current context are found through GLX.
#include <gtest/gtest.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>
#include <GL/glx.h>

#include "support/display.h"

TEST(GlxClient, ProgramLoadsAndDrawsInTheCurrentGlxContext) {
    Display *d = vela::test::openDisplay();
    int attributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_RED_SIZE, 8,
                        GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, 0};
    int count = 0;
    GLXFBConfig *configs = glXChooseFBConfig(d, DefaultScreen(d), attributes, &count);
    ASSERT_TRUE(configs && count > 0);
    int size[] = {GLX_PBUFFER_WIDTH, 8, GLX_PBUFFER_HEIGHT, 8, 0};
    GLXPbuffer surface = glXCreatePbuffer(d, configs[0], size);
    GLXContext glx = glXCreateNewContext(d, configs[0], GLX_RGBA_TYPE, nullptr, True);
    XFree(configs);
    ASSERT_TRUE(glx);

    CGcontext context = cgCreateContext();
    CGprogram program = cgCreateProgram(context, CG_SOURCE, "uniform float4 tint; float4 main() : COLOR { return tint; }",
                                        CG_PROFILE_ARBFP1, "main", nullptr);
    ASSERT_TRUE(program);
    cgGLLoadProgram(program);
    EXPECT_EQ(cgGetError(), CG_NO_GL_CONTEXT_ERROR);

    ASSERT_TRUE(glXMakeContextCurrent(d, surface, surface, glx));
    cgGLLoadProgram(program);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    EXPECT_TRUE(cgGLIsProgramLoaded(program));
    cgGLSetParameter4f(cgGetNamedParameter(program, "tint"), 0.25f, 0.5f, 0.75f, 1.0f);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    cgGLBindProgram(program);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    glViewport(0, 0, 8, 8);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1), glVertex2f(1, -1), glVertex2f(1, 1), glVertex2f(-1, 1);
    glEnd();
    unsigned char pixel[4] = {};
    glReadPixels(4, 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NEAR(pixel[0], 64, 1);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_NEAR(pixel[2], 191, 1);

    cgDestroyContext(context);
    glXMakeContextCurrent(d, 0, 0, nullptr);
    glXDestroyContext(d, glx);
    glXDestroyPbuffer(d, surface);
    XCloseDisplay(d);
}
