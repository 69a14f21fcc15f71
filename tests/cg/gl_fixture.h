// A GL context made through our Win32 layer on the private Xvfb, shared by the GL tests,
// and helpers to run shader programs over a small viewport and read the result.
#pragma once

#include <vela/gl.h>

#include <Cg/cg.h>
#include <Cg/cgGL.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace vela::test {

using Rgb3 = std::array<float, 3>;  // a pixel, each channel 0..1

class GlTest : public testing::Test {
public:
    static constexpr int size = 64;  // the viewport, in pixels

    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    // Compiles and loads; a failure (with its listing) fails the test and gives null.
    CGprogram load(const std::string &text, CGprofile profile);
    // Enables both profiles and binds both programs.
    void use(CGprogram vertex, CGprogram fragment);

    // The pixel at (x, y) of the viewport, y from the bottom.
    Rgb3 pixel(int x, int y);
    // A quad over the whole viewport in clip space, every vertex with texcoord set 0 `t0`,
    // set 1 `t1` and colour `c`; the centre pixel.
    Rgb3 drawFullQuad(const std::array<float, 4> &t0, const std::array<float, 4> &t1 = {},
                      const std::array<float, 4> &c = {});

    // The pass-through vertex program and a fragment program shading with `body`
    // (inputs t0, t1 and c, all float4) over the full quad.
    Rgb3 shadeFragment(const std::string &body, const std::array<float, 4> &t0, const std::array<float, 4> &t1 = {},
                       const std::function<void(CGprogram)> &setUniforms = {});
    // A vertex program whose colour result is `body` (inputs IN.t0, IN.t1, IN.c; uniforms as
    // declared in `uniforms`), shown by a pass-through fragment program.
    Rgb3 shadeVertex(const std::string &uniforms, const std::string &body, const std::array<float, 4> &t0,
                     const std::array<float, 4> &t1 = {}, const std::function<void(CGprogram)> &setUniforms = {});

    static PFNGLACTIVETEXTUREPROC activeTexture;
    static PFNGLMULTITEXCOORD4FVPROC multiTexCoord4fv;
    CGcontext cg = nullptr;
};

// Channel-by-channel comparison with the tolerance of an 8-bit framebuffer.
testing::AssertionResult nearColour(const Rgb3 &actual, const Rgb3 &expected, float tolerance = 2.5f / 255);

}  // namespace vela::test
